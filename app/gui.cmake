# The window program OvixV1 (Qt 6 Widgets), included by app/CMakeLists.txt;
# built only when OVIX_BUILD_GUI is on.
#
# ovix_window_core: the window's rules that need no window system (the
# persisted settings with their defaults, the names of chosen files).
# ovix_window: FrmMain and its Qt pieces, shared by OvixV1 and the tests.
if(NOT OVIX_BUILD_GUI)
  return()
endif()

find_package(Qt6 6.2 REQUIRED COMPONENTS Widgets)

add_library(ovix_window_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/window_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chosen_file_names.cpp
)
target_link_libraries(ovix_window_core PUBLIC ovix_app)

add_library(ovix_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/frm_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frm_main.h
  ${CMAKE_CURRENT_LIST_DIR}/arrowhead_pictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qsettings_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_prompt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_run_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_chooser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/japanese_ui.cpp
)
set_target_properties(ovix_window PROPERTIES AUTOMOC ON)
target_link_libraries(ovix_window PUBLIC ovix_window_core Qt6::Widgets)

add_executable(OvixV1 WIN32 ${CMAKE_CURRENT_LIST_DIR}/ovixv1_main.cpp)
target_link_libraries(OvixV1 PRIVATE ovix_window ovix_workbook)
ovix_use_program_allocator(OvixV1)
