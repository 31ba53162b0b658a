add_library(fakempv SHARED ${CMAKE_CURRENT_SOURCE_DIR}/fakempv/fakempv.c)
set_target_properties(fakempv PROPERTIES OUTPUT_NAME zorvifakempv)
add_dependencies(tst_mpvapi fakempv)
set_property(TEST tst_mpvapi APPEND PROPERTY ENVIRONMENT "ZORVI_FAKE_MPV=$<TARGET_FILE:fakempv>")
