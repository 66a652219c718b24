# Shared ground of the window and pane tests: the sandbox fixture, the recording archiver fake of
# the engine tests, and a main that owns the QApplication.
add_library(qb_window_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/WindowFixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WidgetTestMain.cpp
  ${CMAKE_SOURCE_DIR}/tests/engine/EngineFixture.cpp)
target_include_directories(qb_window_test_support PUBLIC
  ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qb_window_test_support PUBLIC qb_app Qt6::Test Qt6::Widgets GTest::gtest)
