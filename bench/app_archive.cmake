# The window opening a million-reading recording of the archive into its panel and chart.
if(LORV304D_GUI AND TARGET lorv_app)
  add_executable(app_archive_bench ${CMAKE_CURRENT_LIST_DIR}/app_archive_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt_bench_main.cpp)
  target_link_libraries(app_archive_bench PRIVATE lorv_app benchmark::benchmark)
endif()
