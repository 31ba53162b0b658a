# The same test binary without the thumbnail engine: every thumbnail fails at once.
add_test(NAME tst_covers_nothumbs COMMAND tst_covers withoutThumbnails)
set_tests_properties(tst_covers_nothumbs PROPERTIES TIMEOUT 120 LABELS full
    ENVIRONMENT "ZORVIPLAYER_NO_THUMBS=1;ZORVI_PLAYER_EXE=$<TARGET_FILE:zorvi-player>")
