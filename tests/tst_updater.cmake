# Local HTTPS servers and files only: needs neither the engine nor a display.
set_tests_properties(tst_updater PROPERTIES LABELS quick TIMEOUT 170)
