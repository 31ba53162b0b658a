# Drives the dialogs with the test library's key clicks and waits.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(bench_equalizer PRIVATE Qt6::Test)
