# The local radio server of the tests.
target_link_libraries(bench_radio PRIVATE zorvi_testutil)
