# The lap grid, lap chart and analysis widgets (the analysis page uses the side windows'
# up-down spinner), and their UI-free rules and analysis (QtCore only, tested directly).
add_library(koda_laps_viewcore STATIC
    ${CMAKE_CURRENT_LIST_DIR}/lapchartdata.cpp ${CMAKE_CURRENT_LIST_DIR}/lapchartdata.h
    ${CMAKE_CURRENT_LIST_DIR}/badtimecells.cpp ${CMAKE_CURRENT_LIST_DIR}/badtimecells.h
    ${CMAKE_CURRENT_LIST_DIR}/lapgridrules.cpp ${CMAKE_CURRENT_LIST_DIR}/lapgridrules.h
    ${CMAKE_CURRENT_LIST_DIR}/lapanalysis.cpp ${CMAKE_CURRENT_LIST_DIR}/lapanalysis.h
    ${CMAKE_CURRENT_LIST_DIR}/lapanalysistext.cpp ${CMAKE_CURRENT_LIST_DIR}/lapanalysistext.h
)
target_include_directories(koda_laps_viewcore PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(koda_laps_viewcore PUBLIC koda_laps_core koda_windows_core Qt6::Core)

add_library(koda_laps_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/lapgridview.cpp ${CMAKE_CURRENT_LIST_DIR}/lapgridview.h
    ${CMAKE_CURRENT_LIST_DIR}/lapchartview.cpp ${CMAKE_CURRENT_LIST_DIR}/lapchartview.h
    ${CMAKE_CURRENT_LIST_DIR}/lapanalysisview.cpp ${CMAKE_CURRENT_LIST_DIR}/lapanalysisview.h
)
target_include_directories(koda_laps_ui PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(koda_laps_ui PUBLIC
    koda_laps_viewcore koda_laps_core koda_windows_core koda_windows Qt6::Widgets Qt6::Charts)
