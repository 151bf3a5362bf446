# Host build: the simulated machine, the kdxinfo console program, tests, benchmarks, fuzzers.
add_executable(kdxinfo app/host_main.cpp)
target_link_libraries(kdxinfo PRIVATE kdx_console kdx_sim)
target_compile_definitions(kdxinfo PRIVATE
  KDX_DEFAULT_MACHINE="${CMAKE_CURRENT_SOURCE_DIR}/samples/winxp_de")

if(KDX_BUILD_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  file(GLOB_RECURSE KDX_TEST_SOURCES CONFIGURE_DEPENDS tests/*_test.cpp tests/support/*.cpp)
  list(FILTER KDX_TEST_SOURCES EXCLUDE REGEX "/tests/win32/")
  add_executable(kdx_tests ${KDX_TEST_SOURCES})
  target_include_directories(kdx_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(kdx_tests PRIVATE kdx_console kdx_sim GTest::gtest GTest::gtest_main
                                          GTest::gmock)
  target_compile_definitions(kdx_tests PRIVATE KDX_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  include(GoogleTest)
  gtest_discover_tests(kdx_tests WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  # The report page in headless Chromium; its screenshots stay in browser-artifacts.
  add_test(NAME report_page_browser
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/report_page_browser.sh
                   $<TARGET_FILE:kdxinfo> ${CMAKE_CURRENT_SOURCE_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/browser-artifacts)
  set_tests_properties(report_page_browser PROPERTIES LABELS browser TIMEOUT 300)
  # The JSON of kdxinfo read and diff against the schema in docs/.
  add_test(NAME report_json_schema
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/report_json_schema.sh
                   $<TARGET_FILE:kdxinfo> ${CMAKE_CURRENT_SOURCE_DIR})
  # A sample of the fault campaign over the sample machines; scripts/fault-campaign.sh runs
  # the whole of it.
  add_executable(kdx_fault_campaign tests/app/fault_campaign_main.cpp tests/app/fault_campaign.cpp
                                    tests/app/fault_campaign_sim.cpp
                                    tests/support/test_machine.cpp)
  target_include_directories(kdx_fault_campaign PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(kdx_fault_campaign PRIVATE kdx_sequence kdx_fault kdx_sim)
  add_test(NAME fault_campaign_sample
           COMMAND kdx_fault_campaign --sample ci
                   --sites ${CMAKE_CURRENT_SOURCE_DIR}/docs/fault-campaign.md
                   --report ${CMAKE_CURRENT_BINARY_DIR}/fault-campaign-report.txt
                   --golden ${CMAKE_CURRENT_SOURCE_DIR}/tests/golden
                   ${CMAKE_CURRENT_SOURCE_DIR}/samples/winxp_de
                   ${CMAKE_CURRENT_SOURCE_DIR}/samples/win98se_de
                   ${CMAKE_CURRENT_SOURCE_DIR}/samples/win10x64_de)
  set_tests_properties(fault_campaign_sample PROPERTIES LABELS fault TIMEOUT 300)
  add_test(NAME kdxinfo_end_to_end
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/end_to_end.sh $<TARGET_FILE:kdxinfo>
                   ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME kdxinfo_machine_shapes
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/app/machine_shapes.sh $<TARGET_FILE:kdxinfo>
                   ${CMAKE_CURRENT_SOURCE_DIR})
endif()

if(KDX_BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
  file(GLOB KDX_BENCH_SOURCES CONFIGURE_DEPENDS bench/*_bench.cpp)
  foreach(source ${KDX_BENCH_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source} bench/bench_support.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE kdx_sequence kdx_analysis kdx_sim benchmark::benchmark)
  endforeach()
  # The whole run beside its floor (scripts/bench-sim-run.sh); an entry point of its own.
  add_executable(kdx_run_bench bench/run_bench_main.cpp bench/whole_run.cpp)
  target_include_directories(kdx_run_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(kdx_run_bench PRIVATE kdx_sequence kdx_sim)
endif()

if(KDX_BUILD_FUZZERS)
  file(GLOB KDX_FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*_fuzz.cpp)
  foreach(source ${KDX_FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE kdx_sequence kdx_analysis kdx_capture kdx_sim)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
