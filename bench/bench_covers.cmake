# The album tree is made with the test fixture builders.
target_link_libraries(bench_covers PRIVATE zorvi_testutil)
