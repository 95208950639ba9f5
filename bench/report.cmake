# The report of a million readings: the time to build and write it, and the PDF's size.
if(LORV304D_GUI AND TARGET lorv_report)
  add_executable(report_bench ${CMAKE_CURRENT_LIST_DIR}/report_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/qt_bench_main.cpp)
  target_link_libraries(report_bench PRIVATE lorv_report Qt6::Widgets benchmark::benchmark)  # the main is the Qt benchmarks' one
  target_compile_definitions(report_bench PRIVATE LORV304D_FONT_FILE="${PROJECT_SOURCE_DIR}/fonts/Cousine.TTF")
endif()
