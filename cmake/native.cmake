# Linux: the core's unit tests on the in-memory platform.
find_package(GTest REQUIRED)
enable_testing()

file(GLOB ZENT_MEMORY_SOURCES CONFIGURE_DEPENDS platform/memory/*.cpp)
add_library(zent_memory_platform STATIC ${ZENT_MEMORY_SOURCES})
target_link_libraries(zent_memory_platform PUBLIC zent_core)

# tests/both runs here on the in-memory platform and under Wine on the real one.
file(GLOB ZENT_NATIVE_TESTS CONFIGURE_DEPENDS tests/native/*.cpp tests/both/*.cpp)
add_executable(native_tests ${ZENT_NATIVE_TESTS})
target_include_directories(native_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(native_tests PRIVATE zent_memory_platform zent_app_core GTest::gtest
  GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(native_tests DISCOVERY_MODE PRE_TEST)

# The repair's cost per finding as a run grows; prints figures, asserts nothing.
add_executable(repair_benchmark tests/bench/repair_benchmark.cpp)
target_include_directories(repair_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(repair_benchmark PRIVATE zent_memory_platform)

# The registry scans against a bare walk of the same keys; prints figures.
add_executable(scan_benchmark tests/bench/scan_benchmark.cpp)
target_include_directories(scan_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(scan_benchmark PRIVATE zent_memory_platform)

# The junk-file walk against a bare listing walk of the same tree; prints the ratio.
add_executable(sweep_benchmark tests/bench/sweep_benchmark.cpp)
target_include_directories(sweep_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sweep_benchmark PRIVATE zent_memory_platform)

# One starfield tick on a recording canvas and into a frame in memory; prints
# figures, asserts nothing.
add_executable(starfield_benchmark tests/bench/starfield_benchmark.cpp)
target_include_directories(starfield_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(starfield_benchmark PRIVATE zent_core)
