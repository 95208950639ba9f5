# Chart redraw speed: a full offscreen draw of the program's chart with many points.
if(LORV304D_GUI AND TARGET lorv_chart)
  add_executable(chart_draw_bench ${CMAKE_CURRENT_LIST_DIR}/chart_draw_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt_bench_main.cpp)
  target_link_libraries(chart_draw_bench PRIVATE lorv_chart benchmark::benchmark)
endif()
