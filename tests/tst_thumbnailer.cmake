# A child process for start-up without an engine and for the teardown at quit.
add_executable(thumbnailer_child ${CMAKE_CURRENT_SOURCE_DIR}/helpers/thumbnailer_child.cpp)
target_link_libraries(thumbnailer_child PRIVATE zorvi_core)
add_dependencies(tst_thumbnailer thumbnailer_child)
set_property(TEST tst_thumbnailer APPEND PROPERTY ENVIRONMENT
             "ZORVI_THUMBNAILER_CHILD=$<TARGET_FILE:thumbnailer_child>")
