# Measurement data: parsing and loading reading lines, and the text panel receiving lines.
add_executable(data_parse_bench ${CMAKE_CURRENT_SOURCE_DIR}/data_parse_bench.cpp)
target_link_libraries(data_parse_bench PRIVATE lorv_data benchmark::benchmark)

if(LORV304D_GUI)
  # The panel widget is compiled in directly so the benchmark does not need the whole window.
  add_executable(data_panel_bench ${CMAKE_CURRENT_SOURCE_DIR}/data_panel_bench.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/qt_bench_main.cpp
    ${PROJECT_SOURCE_DIR}/app/memo_view.cpp ${PROJECT_SOURCE_DIR}/app/memo_view.h)
  target_link_libraries(data_panel_bench PRIVATE lorv_data Qt6::Widgets benchmark::benchmark)
endif()

add_executable(data_alarm_bench ${CMAKE_CURRENT_SOURCE_DIR}/data_alarm_bench.cpp)
target_link_libraries(data_alarm_bench PRIVATE lorv_data benchmark::benchmark)
