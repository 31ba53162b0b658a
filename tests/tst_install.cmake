# Installs the built tree into a temporary prefix and packs it with CPack.
add_dependencies(tst_install zorvi-player zorvi-desktop-files)
set_property(TEST tst_install APPEND PROPERTY ENVIRONMENT
             "ZORVI_CMAKE=${CMAKE_COMMAND}" "ZORVI_CPACK=${CMAKE_CPACK_COMMAND}"
             "ZORVI_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
# Packing compresses the stripped player and runs dpkg-shlibdeps; on a busy
# machine that can take longer than QtTest's default five minutes.
set_property(TEST tst_install APPEND PROPERTY ENVIRONMENT "QTEST_FUNCTION_TIMEOUT=540000")
