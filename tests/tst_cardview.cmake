# The grid again at fractional and double scale, one process per factor: the
# logical layout stays the same and pictures fill their areas to the last
# device pixel.
foreach(scale 1.25 1.5 2)
    add_test(NAME tst_cardview_scale_${scale} COMMAND tst_cardview gridFollowsTheWidth)
    set_tests_properties(tst_cardview_scale_${scale} PROPERTIES TIMEOUT 180 LABELS full
        ENVIRONMENT "QT_SCALE_FACTOR=${scale}")
endforeach()
