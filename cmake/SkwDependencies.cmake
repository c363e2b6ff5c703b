# Third-party pieces, each behind one imported or interface target.

# Standalone asio (header only).
find_path(ASIO_INCLUDE_DIR asio.hpp REQUIRED)
if(CMAKE_CROSSCOMPILING AND ASIO_INCLUDE_DIR STREQUAL "/usr/include")
  # The build machine's /usr/include on the search path would shadow the target's C library
  # headers: reach the header-only packages through a folder of links to them instead.
  set(skw_host_headers ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${skw_host_headers})
  foreach(entry asio asio.hpp CLI nlohmann)
    file(CREATE_LINK /usr/include/${entry} ${skw_host_headers}/${entry} SYMBOLIC)
  endforeach()
  set(ASIO_INCLUDE_DIR ${skw_host_headers})
  # Defined before find_package(CLI11), which then keeps it.
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${skw_host_headers})
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${skw_host_headers})
endif()
add_library(skw_asio INTERFACE)
target_include_directories(skw_asio SYSTEM INTERFACE ${ASIO_INCLUDE_DIR})
target_compile_definitions(skw_asio INTERFACE ASIO_STANDALONE ASIO_NO_TYPEID)
target_link_libraries(skw_asio INTERFACE Threads::Threads)
if(WIN32)
  # Windows 10 and later; asio's sockets part needs the Winsock libraries even for serial ports.
  target_compile_definitions(skw_asio INTERFACE _WIN32_WINNT=0x0A00)
  target_link_libraries(skw_asio INTERFACE ws2_32 mswsock)
endif()

# utfcpp (header only).
find_package(utf8cpp REQUIRED)
add_library(skw_utf8 INTERFACE)
target_link_libraries(skw_utf8 INTERFACE utf8cpp)

if(SKW_BUILD_TESTS AND CMAKE_CROSSCOMPILING)
  # No GoogleTest library for the target system is packaged; build it from Debian's sources.
  set(SKW_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${SKW_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(target gtest gtest_main gmock gmock_main)
    # Not our code: our warning flags do not apply.
    set_target_properties(${target} PROPERTIES COMPILE_OPTIONS "")
  endforeach()
elseif(SKW_BUILD_TESTS)
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
