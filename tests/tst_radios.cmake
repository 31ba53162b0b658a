# Local HTTP(S) servers, a display and, for playback, the real engine.
set_tests_properties(tst_radios PROPERTIES TIMEOUT 300)
