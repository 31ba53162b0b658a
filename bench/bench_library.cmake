# The tree builder tags its files with the test fixture builders.
target_link_libraries(bench_library PRIVATE zorvi_testutil)
