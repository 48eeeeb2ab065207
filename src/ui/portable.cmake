# The main window's portable part, built on every host so that its tests also run natively
# (the rest of ui/ is built for Windows only).
add_library(zr_ui_start_page STATIC ${CMAKE_CURRENT_LIST_DIR}/start_page.cpp)
target_link_libraries(zr_ui_start_page PUBLIC zr_platform)
zr_warnings(zr_ui_start_page)
