# Waits on conditions with the test library's helpers.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(bench_lyrics PRIVATE Qt6::Test)
