# Needs neither the engine nor a display; writes the parser's cases as fuzz seeds.
set_tests_properties(tst_lyrics PROPERTIES LABELS quick TIMEOUT 60)
