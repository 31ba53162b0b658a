# A child process for the cases that need their own process: another user,
# a fresh home, a quit or a crash in the middle of a scan, kills.
add_executable(library_child ${CMAKE_CURRENT_SOURCE_DIR}/helpers/library_child.cpp)
target_link_libraries(library_child PRIVATE zorvi_core)
add_dependencies(tst_library library_child)
set_property(TEST tst_library APPEND PROPERTY ENVIRONMENT
             "ZORVI_LIBRARY_CHILD=$<TARGET_FILE:library_child>")
