# Drives the real engine headless.
set_property(TEST tst_queuepanel APPEND PROPERTY ENVIRONMENT "ZORVIPLAYER_OPT=vo=null;ao=null")
