# Download throughput of lorv304d-cli against lorv304d-emulator, both as separate processes.
if(TARGET lorv304d-cli AND TARGET lorv_emulator_testsupport)
  add_executable(cli_download_bench ${CMAKE_CURRENT_SOURCE_DIR}/cli_download_bench.cpp)
  target_link_libraries(cli_download_bench PRIVATE lorv_emulator_testsupport benchmark::benchmark)
  target_compile_definitions(cli_download_bench PRIVATE LORV304D_CLI_PATH="$<TARGET_FILE:lorv304d-cli>")
  add_dependencies(cli_download_bench lorv304d-cli)
endif()
