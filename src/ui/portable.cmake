# The main window's portable parts (the start page, the operation log), built on every host so
# that their tests also run natively (the rest of ui/ is built for Windows only).
add_library(zr_ui_portable STATIC ${CMAKE_CURRENT_LIST_DIR}/start_page.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/answer_within.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/operation_log.cpp)
target_link_libraries(zr_ui_portable PUBLIC zr_platform)
zr_warnings(zr_ui_portable)
