# A child process that exports a playlist, for the failures that need their
# own process: another user, a file size limit.
add_executable(playlist_writer ${CMAKE_CURRENT_SOURCE_DIR}/helpers/playlist_writer.cpp)
target_link_libraries(playlist_writer PRIVATE zorvi_playlists)
zorvi_warnings(playlist_writer)
add_dependencies(tst_playlistfiles playlist_writer)
set_property(TEST tst_playlistfiles APPEND PROPERTY ENVIRONMENT
             "ZORVI_PLAYLIST_WRITER=$<TARGET_FILE:playlist_writer>")
# Needs neither the engine nor a display.
set_tests_properties(tst_playlistfiles PROPERTIES LABELS quick TIMEOUT 60)
