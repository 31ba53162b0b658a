# Needs neither the engine nor a display.
set_tests_properties(tst_playlistfiles PROPERTIES LABELS quick TIMEOUT 60)
