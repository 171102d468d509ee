# Windows (cross-built with mingw-w64): the shipped screen saver and the test
# program that proves the Win32 layer, run under Wine by tools/wine-tests.sh.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)

file(GLOB ZENT_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
add_library(zent_win32_platform STATIC ${ZENT_WIN32_SOURCES})
target_link_libraries(zent_win32_platform PUBLIC zent_core
  ole32 oleaut32 uuid shell32 shlwapi advapi32 user32 gdi32 comctl32)

# The Win32 windows, each beside the model it shows.
file(GLOB ZENT_WINDOW_SOURCES CONFIGURE_DEPENDS sysinfo/win32/*.cpp ui/win32/*.cpp)
add_library(zent_win32_windows STATIC ${ZENT_WINDOW_SOURCES})
target_link_libraries(zent_win32_windows PUBLIC zent_win32_platform)

file(GLOB ZENT_APP_SOURCES CONFIGURE_DEPENDS app/*.cpp app/*.rc ui/strings.rc)
list(REMOVE_ITEM ZENT_APP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/app/cleaning_steps.cpp)
add_executable(zent_saver WIN32 ${ZENT_APP_SOURCES})
set_target_properties(zent_saver PROPERTIES OUTPUT_NAME "ZentSaver" SUFFIX ".scr")
target_link_libraries(zent_saver PRIVATE zent_app_core zent_win32_windows)
target_link_options(zent_saver PRIVATE -municode)
# The resource script names its icon and manifest beside it.
target_include_directories(zent_saver PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app)
set_property(SOURCE app/saver.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/app/saver.ico)
set_property(SOURCE app/manifest.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/app/saver.manifest)

# The dry-run report beside the saver: a console program that lists what a
# cleaning run would remove and changes nothing (tools/check-report.sh).
add_executable(zent_report app/report/report_main.cpp ui/strings.rc)
set_target_properties(zent_report PROPERTIES OUTPUT_NAME "ZentReport" SUFFIX ".exe")
target_link_libraries(zent_report PRIVATE zent_app_core zent_win32_platform)
target_link_options(zent_report PRIVATE -municode)

# A window that shows the drive list over the machine's drives, for looking at
# it (tools/screenshot-drive-list.sh); the saver keeps its drive lists hidden.
add_executable(drive_list_demo tests/demo/drive_list_demo.cpp)
target_link_libraries(drive_list_demo PRIVATE zent_win32_windows)
target_link_options(drive_list_demo PRIVATE -municode)
set_target_properties(drive_list_demo PROPERTIES SUFFIX ".exe")

# The configuration dialog on its own, for looking at it
# (tools/screenshot-dialog.sh).
add_executable(dialog_demo tests/demo/dialog_demo.cpp app/manifest.rc)
target_include_directories(dialog_demo PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app)
target_link_libraries(dialog_demo PRIVATE zent_win32_windows)
target_link_options(dialog_demo PRIVATE -municode)
set_target_properties(dialog_demo PROPERTIES SUFFIX ".exe")

# The display settings' part in the preview check (tools/check-saver-preview.sh).
add_executable(preview_host tests/demo/preview_host.cpp)
target_link_libraries(preview_host PRIVATE zent_win32_platform)
target_link_options(preview_host PRIVATE -municode)
set_target_properties(preview_host PROPERTIES SUFFIX ".exe")

# Shortcuts made by the shell's link object and a file held open, for the
# saver's sweep check (tools/check-saver-sweeps.sh).
add_executable(sweep_fixtures tests/demo/sweep_fixtures.cpp)
target_link_libraries(sweep_fixtures PRIVATE zent_win32_platform)
target_link_options(sweep_fixtures PRIVATE -municode)
set_target_properties(sweep_fixtures PROPERTIES SUFFIX ".exe")

# The registry scans against a bare walk on the real registry; plants its own
# registry and files, so it is run only in a sandbox (tools/bench-scans-wine.sh).
add_executable(scan_benchmark tests/bench/scan_benchmark.cpp)
target_include_directories(scan_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(scan_benchmark PRIVATE zent_win32_platform)
set_target_properties(scan_benchmark PROPERTIES SUFFIX ".exe")

# The junk walk against a bare walk on a real folder tree it plants below the
# temporary folder; run only in a sandbox (tools/bench-sweep-wine.sh).
add_executable(sweep_benchmark tests/bench/sweep_benchmark.cpp)
target_include_directories(sweep_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sweep_benchmark PRIVATE zent_win32_platform)
set_target_properties(sweep_benchmark PROPERTIES SUFFIX ".exe")

# The same starfield ticks through GDI as well (tools/wine-sandbox.sh --copy).
add_executable(starfield_benchmark tests/bench/starfield_benchmark.cpp)
target_include_directories(starfield_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(starfield_benchmark PRIVATE zent_win32_platform)
set_target_properties(starfield_benchmark PROPERTIES SUFFIX ".exe")

# GoogleTest from the sources Debian ships; without them (a build on Windows
# itself) only the program is built.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE -Wno-error)

  file(GLOB ZENT_WINE_TESTS CONFIGURE_DEPENDS tests/wine/*.cpp tests/both/*.cpp)
  # The tests load the program's string table from their own module.
  add_executable(wine_tests ${ZENT_WINE_TESTS} ui/strings.rc)
  target_include_directories(wine_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(wine_tests PRIVATE zent_win32_windows gtest gtest_main)
  set_target_properties(wine_tests PROPERTIES SUFFIX ".exe")
  # A "regedit.exe" the tests plant where a search would find it first
  # (tools/wine-tests.sh puts it beside the test program).
  add_executable(standin_regedit tests/wine/standin/standin_regedit.cpp)
  target_include_directories(standin_regedit PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_options(standin_regedit PRIVATE -municode)
  set_target_properties(standin_regedit PROPERTIES SUFFIX ".exe")
  add_dependencies(wine_tests standin_regedit)

  enable_testing()
  add_test(NAME wine_tests
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/wine-tests.sh $<TARGET_FILE:wine_tests>)
endif()
