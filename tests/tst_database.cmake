# A child process that keeps writing until it is killed (durability test).
add_executable(database_writer ${CMAKE_CURRENT_SOURCE_DIR}/helpers/database_writer.cpp)
target_link_libraries(database_writer PRIVATE zorvi_library)
zorvi_warnings(database_writer)
add_dependencies(tst_database database_writer)
set_property(TEST tst_database APPEND PROPERTY ENVIRONMENT
             "ZORVI_DATABASE_WRITER=$<TARGET_FILE:database_writer>")
# Needs neither the engine nor a display.
set_tests_properties(tst_database PROPERTIES LABELS quick TIMEOUT 60)
