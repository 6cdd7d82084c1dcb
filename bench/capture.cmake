# The detailed traffic view under a continuous flood at 38400 baud; included from
# bench/CMakeLists.txt.
add_executable(bench_trafficview ${CMAKE_CURRENT_LIST_DIR}/bench_trafficview.cpp)
target_link_libraries(bench_trafficview PRIVATE koda_capture_ui koda_test_support)
