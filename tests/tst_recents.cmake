# Drives the real engine headless for the menu's play entries.
set_property(TEST tst_recents APPEND PROPERTY ENVIRONMENT "ZORVIPLAYER_OPT=vo=null;ao=null")
