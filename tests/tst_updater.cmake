# Local HTTPS servers and files only: needs neither the engine nor a display.
set_tests_properties(tst_updater PROPERTIES LABELS quick TIMEOUT 170)
# A separate updater process: killed mid-download, or run with a file size limit.
add_executable(updater_child ${CMAKE_CURRENT_SOURCE_DIR}/helpers/updater_child.cpp)
target_link_libraries(updater_child PRIVATE zorvi_update)
zorvi_warnings(updater_child)
add_dependencies(tst_updater updater_child)
set_property(TEST tst_updater APPEND PROPERTY ENVIRONMENT
             "ZORVI_UPDATER_CHILD=$<TARGET_FILE:updater_child>")
