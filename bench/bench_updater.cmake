# The local HTTPS server and test CA of the tests (a target of tests/).
if(BUILD_TESTING)
    target_link_libraries(bench_updater PRIVATE zorvi_testutil)
else()
    set_target_properties(bench_updater PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
