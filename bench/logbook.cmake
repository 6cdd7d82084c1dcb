# Logbook benchmark: recording a 300-lap read, opening and filtering the logbook window on a
# large generated logbook, the file's size per session; included from bench/CMakeLists.txt.
add_executable(bench_logbook ${CMAKE_CURRENT_LIST_DIR}/bench_logbook.cpp)
target_link_libraries(bench_logbook PRIVATE koda_logbook_ui koda_laps_core)
target_include_directories(bench_logbook PRIVATE ${CMAKE_SOURCE_DIR}/tests)
