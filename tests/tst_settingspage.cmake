# Restarts run this binary again as children, each with a real engine.
set_tests_properties(tst_settingspage PROPERTIES TIMEOUT 400)
