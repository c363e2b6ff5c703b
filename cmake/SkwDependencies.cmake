# Third-party pieces, each behind one imported or interface target.

# Standalone asio (header only).
find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED)
add_library(skw_asio INTERFACE)
target_include_directories(skw_asio SYSTEM INTERFACE ${ASIO_INCLUDE_DIR})
target_compile_definitions(skw_asio INTERFACE ASIO_STANDALONE ASIO_NO_TYPEID)
target_link_libraries(skw_asio INTERFACE Threads::Threads)

# utfcpp (header only).
find_package(utf8cpp REQUIRED)
add_library(skw_utf8 INTERFACE)
target_link_libraries(skw_utf8 INTERFACE utf8cpp)

if(SKW_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()

if(SKW_BUILD_GUI)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets SerialPort LinguistTools Test)
  qt_standard_project_setup()
  # Every target that uses Qt spells Q_SIGNALS, Q_SLOTS and Q_EMIT: the configuration core's
  # records have members named "slots", which Qt's keyword macros would rewrite.
  set_property(TARGET Qt6::Core APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS QT_NO_KEYWORDS)
  set(CMAKE_AUTORCC ON)
endif()
