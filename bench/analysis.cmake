# Lap analysis and session summary PDF benchmark; included from bench/CMakeLists.txt.
add_executable(bench_analysis ${CMAKE_CURRENT_LIST_DIR}/bench_analysis.cpp)
target_link_libraries(bench_analysis PRIVATE koda_laps_ui koda_files_report)
