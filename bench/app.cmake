# The whole program with a million readings: load a file into the window's data panel, parse it and
# draw the chart once, offscreen, with the peak memory of the process.
if(LORV304D_GUI AND TARGET lorv_app)
  add_executable(app_load_bench ${CMAKE_CURRENT_LIST_DIR}/app_load_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qt_bench_main.cpp)
  target_link_libraries(app_load_bench PRIVATE lorv_app benchmark::benchmark)
endif()
