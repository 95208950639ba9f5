# Export and statistics of a million readings: CSV from a data file, statistics from the lines.
add_executable(data_export_bench ${CMAKE_CURRENT_SOURCE_DIR}/data_export_bench.cpp)
target_link_libraries(data_export_bench PRIVATE lorv_data benchmark::benchmark)
