add_executable(bench_startup bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE koda_mainform Qt6::Charts)
target_include_directories(bench_startup PRIVATE ${CMAKE_SOURCE_DIR}/tests)
