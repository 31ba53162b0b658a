# Needs neither the engine nor a display.
set_tests_properties(tst_radiosearch PROPERTIES LABELS quick TIMEOUT 60)
