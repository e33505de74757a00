# Shared build helpers.

function(xj_add_subdirectory_if_present dir)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory(${dir})
  endif()
endfunction()

# Warnings and sanitizers for every target of ours.
add_library(xj_options INTERFACE)
target_compile_options(xj_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(XJ_SANITIZE)
  target_compile_options(xj_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                              -fno-sanitize-recover=undefined)
  target_link_options(xj_options INTERFACE -fsanitize=address,undefined)
endif()
# The fuzz build: every library is instrumented for libFuzzer's coverage feedback and
# checked by the sanitizers; only the fuzz executables link the fuzzer's own main.
if(XJ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "XJ_FUZZ=ON needs Clang (libFuzzer): -DCMAKE_CXX_COMPILER=clang++")
  endif()
  target_compile_options(xj_options INTERFACE -O1 -g -fsanitize=fuzzer-no-link,address,undefined
                                              -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(xj_options INTERFACE -fsanitize=address,undefined)
endif()

# The library of one subsystem: xj_add_library(name [SHARED] SOURCES ... DEPENDS ...)
# Static by default. SHARED marks the libraries that the program and the plug-ins must
# share as one copy: the platform layer (window handles, message handlers, message-box
# automation), the language tables, the data manager and the form view framework. They
# are placed in the installation folder, where the program and the plug-ins find them.
function(xj_add_library name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPENDS" ${ARGN})
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
    install(TARGETS ${name} LIBRARY DESTINATION "${XJ_INSTALL_DIR}")
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  target_link_libraries(${name} PUBLIC xj_options ${ARG_DEPENDS})
endfunction()

# A library with widgets: like xj_add_library, with moc and Qt Widgets.
function(xj_add_qt_library name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPENDS" ${ARGN})
  if(ARG_SHARED)
    xj_add_library(${name} SHARED SOURCES ${ARG_SOURCES} DEPENDS Qt6::Widgets ${ARG_DEPENDS})
  else()
    xj_add_library(${name} SOURCES ${ARG_SOURCES} DEPENDS Qt6::Widgets ${ARG_DEPENDS})
  endif()
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# A shared library loaded at run time by file name (XJComm.so, plug-ins ...):
# no "lib" prefix, placed in the installation folder.
function(xj_add_module name)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE xj_options ${ARG_DEPENDS})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so"
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
endfunction()

# A GoogleTest executable: xj_add_test(name [QT] SOURCES ... DEPENDS ... [TIMEOUT s])
# Every test case becomes its own CTest test, so `ctest -j` runs them in parallel.
# The shared test main gives each process fresh folders (see tests/support/TestMain.cpp);
# with QT it also creates the QApplication (offscreen) before the tests run.
function(xj_add_test name)
  cmake_parse_arguments(ARG "QT" "TIMEOUT" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE xj_test_main_qt Qt6::Widgets Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE xj_test_main)
  endif()
  target_link_libraries(${name} PRIVATE xj_options ${ARG_DEPENDS} GTest::gtest GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()
