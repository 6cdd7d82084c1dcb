# Lap file save/load benchmark; included from bench/CMakeLists.txt.
add_executable(bench_lapfile ${CMAKE_CURRENT_LIST_DIR}/bench_lapfile.cpp)
target_link_libraries(bench_lapfile PRIVATE koda_files_core)
