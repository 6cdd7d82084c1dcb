# Lap chart rebuild benchmark; included from bench/CMakeLists.txt.
add_executable(bench_lapchart ${CMAKE_CURRENT_LIST_DIR}/bench_lapchart.cpp)
target_link_libraries(bench_lapchart PRIVATE koda_laps_ui)
