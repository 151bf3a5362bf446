# Windows build (mingw-w64, 32 bit): the real platform layer, the windowed program KDXInfo.exe,
# the console program kdxinfo.exe, and their tests under Wine.

# Each program must run from a single file copied onto the customer's machine: libgcc and
# libstdc++ go into the .exe, so it imports nothing but system DLLs.
set(KDX_WIN32_LINK_OPTIONS -static -static-libgcc -static-libstdc++)

# The platform layer over advapi32, kernel32, version.dll, ole32 and winspool.
file(GLOB KDX_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_library(kdx_win32 STATIC ${KDX_WIN32_SOURCES})
target_link_libraries(kdx_win32 PUBLIC kdx_platform advapi32 version ole32 uuid winspool)

# The two program names differ only in case, so they cannot share a folder on Windows: each
# program gets a folder of its own.
set(KDX_WINDOWED_DIR ${CMAKE_BINARY_DIR}/windowed)
set(KDX_CONSOLE_DIR ${CMAKE_BINARY_DIR}/console)

# The windowed program: main window, instruction dialog, save dialog, message loop.
file(GLOB KDX_WINDOW_SOURCES CONFIGURE_DEPENDS app/win32/*.cpp)
list(FILTER KDX_WINDOW_SOURCES EXCLUDE REGEX "_main\\.cpp$")
add_library(kdx_window STATIC ${KDX_WINDOW_SOURCES})
target_link_libraries(kdx_window PUBLIC kdx_sequence kdx_win32 user32 gdi32 comdlg32)

# Icon, manifest and version resource of a shipped program (app/win32/resources/kdxinfo.rc.in).
enable_language(RC)
set(KDX_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app/win32/resources)
function(kdx_add_program_resources target KDX_ORIGINAL_FILENAME KDX_FILE_DESCRIPTION KDX_MANIFEST)
  set(resource_script ${CMAKE_BINARY_DIR}/resources/${target}.rc)
  configure_file(${KDX_RESOURCES}/kdxinfo.rc.in ${resource_script} @ONLY)
  target_sources(${target} PRIVATE ${resource_script})
  set_property(SOURCE ${resource_script} APPEND PROPERTY OBJECT_DEPENDS
               ${KDX_RESOURCES}/kdxinfo.ico ${KDX_RESOURCES}/${KDX_MANIFEST})
endfunction()

add_executable(KDXInfo WIN32 app/win32/gui_main.cpp)
target_link_libraries(KDXInfo PRIVATE kdx_window)
target_link_options(KDXInfo PRIVATE ${KDX_WIN32_LINK_OPTIONS})
set_target_properties(KDXInfo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KDX_WINDOWED_DIR})
kdx_add_program_resources(KDXInfo KDXInfo.exe "Dexta Label Printer Info" windowed.manifest)

add_executable(kdxinfo_console app/win32/console_main.cpp)
target_link_libraries(kdxinfo_console PRIVATE kdx_console kdx_win32)
target_link_options(kdxinfo_console PRIVATE ${KDX_WIN32_LINK_OPTIONS})
set_target_properties(kdxinfo_console PROPERTIES OUTPUT_NAME kdxinfo
                                                 RUNTIME_OUTPUT_DIRECTORY ${KDX_CONSOLE_DIR})
kdx_add_program_resources(kdxinfo_console kdxinfo.exe "Dexta Label Printer Info (console)"
                          console.manifest)

# Times the registry export in process, to set beside regedit under Wine
# (scripts/bench-wine-export.sh).
add_executable(kdx_export_bench bench/win32/export_bench_main.cpp)
target_include_directories(kdx_export_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kdx_export_bench PRIVATE kdx_report kdx_win32 psapi)
target_link_options(kdx_export_bench PRIVATE ${KDX_WIN32_LINK_OPTIONS})

# Times the whole report run beside a floor that asks each distinct question once
# (scripts/bench-wine-run.sh).
add_executable(kdx_run_bench bench/win32/run_bench_main.cpp bench/whole_run.cpp)
target_include_directories(kdx_run_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kdx_run_bench PRIVATE kdx_sequence kdx_win32)
target_link_options(kdx_run_bench PRIVATE ${KDX_WIN32_LINK_OPTIONS})

# Records how the German user locale sorts each Windows-1252 byte, for the simulated
# machine's name order (scripts/record-collation.sh writes platform/collation_table.inc).
add_executable(kdx_collation_dump tools/collation/collation_dump.cpp)
target_link_options(kdx_collation_dump PRIVATE ${KDX_WIN32_LINK_OPTIONS})

if(NOT KDX_BUILD_TESTS)
  return()
endif()

# --- Tests under Wine ---
enable_testing()

# GoogleTest from Debian's source package, built with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# The win32 thread variant of the compiler has no std::mutex, which GoogleTest's Notification
# needs: tests/win32/gtest_custom gives it one through GoogleTest's own customisation header.
# Each target names it itself: passed on as a system folder, it would come after GoogleTest's.
set(KDX_GTEST_CUSTOM ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/gtest_custom)
foreach(target gtest gtest_main gmock gmock_main)
  target_include_directories(${target} BEFORE PRIVATE ${KDX_GTEST_CUSTOM})
endforeach()

# The core's unit tests run here too, whole reports of the sample machines included, on the
# simulated machine built for Windows, beside the tests of the Win32 layer.
file(GLOB_RECURSE KDX_PORTABLE_TEST_SOURCES CONFIGURE_DEPENDS tests/*_test.cpp
     tests/support/*.cpp)
list(FILTER KDX_PORTABLE_TEST_SOURCES EXCLUDE REGEX "/tests/(win32|fuzz)/")
file(GLOB KDX_WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*_test.cpp)

add_executable(kdx_win32_tests ${KDX_PORTABLE_TEST_SOURCES} ${KDX_WIN32_TEST_SOURCES})
target_include_directories(kdx_win32_tests BEFORE PRIVATE ${KDX_GTEST_CUSTOM})
target_include_directories(kdx_win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
# ole32 and uuid: the shortcut tests drive the shell's own IShellLinkA; version: the resource
# readers' tests ask GetFileVersionInfoA and VerQueryValueA as well.
target_link_libraries(kdx_win32_tests PRIVATE kdx_console kdx_sim kdx_win32 gtest gtest_main gmock
                                              ole32 uuid version)
target_link_options(kdx_win32_tests PRIVATE ${KDX_WIN32_LINK_OPTIONS})
target_compile_definitions(kdx_win32_tests PRIVATE KDX_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")

# Shows the folders the general information step settles, which the report does not show.
add_executable(kdx_general_info_probe tests/win32/general_info_probe.cpp)
target_include_directories(kdx_general_info_probe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(kdx_general_info_probe PRIVATE kdx_collectors kdx_win32)
target_link_options(kdx_general_info_probe PRIVATE ${KDX_WIN32_LINK_OPTIONS})

add_test(NAME win32_imports
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/check_imports.sh ${CMAKE_OBJDUMP}
                 $<TARGET_FILE:KDXInfo> $<TARGET_FILE:kdxinfo_console>)
set_tests_properties(win32_imports PROPERTIES LABELS wine)

# Every Wine test shares one prefix, made fresh by the first test of each run and reused by
# the others (wineboot takes a while); the lock keeps them from changing it under each other.
set(KDX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KDX_WINE_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32)
add_test(NAME win32_wine_prefix
         COMMAND ${KDX_WINE_SCRIPTS}/wine_prefix.sh create ${KDX_WINE_PREFIX}
                 ${KDX_WINE_SCRIPTS}/fixtures)
add_test(NAME win32_wine_prefix_stop
         COMMAND ${KDX_WINE_SCRIPTS}/wine_prefix.sh stop ${KDX_WINE_PREFIX})
set_tests_properties(win32_wine_prefix PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(win32_wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

add_test(NAME win32_unit_tests
         COMMAND ${KDX_WINE_SCRIPTS}/wine_prefix.sh run ${KDX_WINE_PREFIX}
                 $<TARGET_FILE:kdx_win32_tests>)
add_test(NAME win32_end_to_end
         COMMAND ${KDX_WINE_SCRIPTS}/end_to_end.sh ${KDX_WINE_PREFIX}
                 $<TARGET_FILE:kdxinfo_console> $<TARGET_FILE:kdx_general_info_probe>
                 ${CMAKE_BINARY_DIR}/wine-artifacts)
add_test(NAME win32_window
         COMMAND ${KDX_WINE_SCRIPTS}/window_test.sh ${KDX_WINE_PREFIX} $<TARGET_FILE:KDXInfo>
                 ${CMAKE_BINARY_DIR}/wine-artifacts)
add_test(NAME win32_registry_block
         COMMAND ${KDX_WINE_SCRIPTS}/registry_block_check.sh ${KDX_WINE_PREFIX}
                 $<TARGET_FILE:kdxinfo_console> ${CMAKE_BINARY_DIR}/wine-artifacts)
add_test(NAME win32_report_reader
         COMMAND ${KDX_WINE_SCRIPTS}/report_reader_check.sh ${KDX_WINE_PREFIX}
                 $<TARGET_FILE:kdxinfo_console> ${CMAKE_BINARY_DIR}/wine-artifacts)
# The capture made under Wine, replayed by the host program (scripts/test-all.sh builds it
# first).
set(KDX_HOST_KDXINFO ${CMAKE_CURRENT_SOURCE_DIR}/build/host/kdxinfo CACHE FILEPATH
    "The host program that replays the captures")
add_test(NAME win32_capture_round_trip
         COMMAND ${KDX_WINE_SCRIPTS}/capture_round_trip.sh ${KDX_WINE_PREFIX}
                 $<TARGET_FILE:kdxinfo_console> ${KDX_HOST_KDXINFO}
                 ${CMAKE_BINARY_DIR}/wine-artifacts ${CMAKE_CURRENT_SOURCE_DIR}/samples)
# A small sample of the fault campaign over the Win32 layer: the same fault layer over the real
# calls of the prefix (scripts/fault-campaign.sh runs the whole campaign on the host).
add_executable(kdx_fault_campaign tests/app/fault_campaign_main.cpp tests/app/fault_campaign.cpp
                                  tests/app/fault_campaign_win32.cpp
                                  tests/support/test_machine.cpp)
target_include_directories(kdx_fault_campaign PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(kdx_fault_campaign PRIVATE kdx_sequence kdx_fault kdx_sim kdx_win32)
target_link_options(kdx_fault_campaign PRIVATE ${KDX_WIN32_LINK_OPTIONS})
add_test(NAME win32_fault_campaign
         COMMAND ${KDX_WINE_SCRIPTS}/fault_campaign.sh ${KDX_WINE_PREFIX}
                 $<TARGET_FILE:kdx_fault_campaign> ${CMAKE_CURRENT_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/wine-artifacts)
set(KDX_WINE_TESTS win32_unit_tests win32_end_to_end win32_window win32_registry_block
                   win32_report_reader win32_capture_round_trip win32_fault_campaign)
# The prefix is a 32-bit Windows (WINEARCH=win32) whichever Wine is installed; its scripts
# state so as well.
set_tests_properties(${KDX_WINE_TESTS} PROPERTIES
  FIXTURES_REQUIRED wine RESOURCE_LOCK wine-prefix LABELS wine TIMEOUT 300
  ENVIRONMENT WINEARCH=win32)
# Runs the report in every Windows version Wine can play, from 95 to 10.
set_tests_properties(win32_end_to_end PROPERTIES TIMEOUT 900)
set_tests_properties(win32_wine_prefix win32_wine_prefix_stop PROPERTIES
  RESOURCE_LOCK wine-prefix LABELS wine ENVIRONMENT WINEARCH=win32)

# A second prefix, 64-bit (wine64 beside wine32), seeded as a 64-bit PC: both programs run
# there under WOW64. The unit tests run there too (the Win32 layer's contract suites, and the
# comparison of WOW64's view with the simulated machine's, which only runs there), the report
# end to end as Windows 7 and 10, and the capture round trip of the seeded prefix and of the
# 64-bit sample machine.
set(KDX_WINE_PREFIX64 ${CMAKE_BINARY_DIR}/wine-prefix64)
add_test(NAME win64_wine_prefix
         COMMAND ${KDX_WINE_SCRIPTS}/wine_prefix.sh create64 ${KDX_WINE_PREFIX64}
                 ${KDX_WINE_SCRIPTS}/fixtures ${KDX_WINE_SCRIPTS}/fixtures64
                 ${CMAKE_CURRENT_SOURCE_DIR}/samples/win10x64_de)
add_test(NAME win64_wine_prefix_stop
         COMMAND ${KDX_WINE_SCRIPTS}/wine_prefix.sh stop64 ${KDX_WINE_PREFIX64})
set_tests_properties(win64_wine_prefix PROPERTIES FIXTURES_SETUP wine64)
set_tests_properties(win64_wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine64)
add_test(NAME win64_unit_tests
         COMMAND ${KDX_WINE_SCRIPTS}/wine_prefix.sh run64 ${KDX_WINE_PREFIX64}
                 $<TARGET_FILE:kdx_win32_tests>)
add_test(NAME win64_end_to_end
         COMMAND ${KDX_WINE_SCRIPTS}/end_to_end_win64.sh ${KDX_WINE_PREFIX64}
                 $<TARGET_FILE:kdxinfo_console> ${CMAKE_BINARY_DIR}/wine-artifacts)
add_test(NAME win64_capture_round_trip
         COMMAND ${KDX_WINE_SCRIPTS}/capture_round_trip.sh ${KDX_WINE_PREFIX64}
                 $<TARGET_FILE:kdxinfo_console> ${KDX_HOST_KDXINFO}
                 ${CMAKE_BINARY_DIR}/wine-artifacts ${CMAKE_CURRENT_SOURCE_DIR}/samples win64)
set_tests_properties(win64_unit_tests win64_end_to_end win64_capture_round_trip PROPERTIES
  FIXTURES_REQUIRED wine64 RESOURCE_LOCK wine-prefix64 LABELS wine TIMEOUT 300
  ENVIRONMENT WINEARCH=win64)
set_tests_properties(win64_wine_prefix win64_wine_prefix_stop PROPERTIES
  RESOURCE_LOCK wine-prefix64 LABELS wine ENVIRONMENT WINEARCH=win64)
