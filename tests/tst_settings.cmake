# Needs neither the engine nor a display.
set_tests_properties(tst_settings PROPERTIES LABELS quick TIMEOUT 60)
