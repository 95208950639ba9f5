# The archive: archiving, verifying and reading back a million readings, and the file's size.
add_executable(archive_bench ${CMAKE_CURRENT_SOURCE_DIR}/archive_bench.cpp)
target_link_libraries(archive_bench PRIVATE lorv_archive benchmark::benchmark)
