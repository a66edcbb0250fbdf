# marvo_library(<target> FOLDER <folder> [LINKS <libs>...])
#
# Builds the sources of one folder (not its subfolders, not a main.cpp, which belongs to the
# folder's program) into a static library. The library's
# headers are published through a private include root in the build tree that holds only a
# link to its own folder, so `#include "memo/MemoImage.h"` resolves only in targets that link
# the memo library: an include across a forbidden boundary fails to compile.
function(marvo_library target)
  cmake_parse_arguments(ARG "" "FOLDER" "LINKS" ${ARGN})
  set(src_dir ${CMAKE_SOURCE_DIR}/${ARG_FOLDER})
  file(GLOB sources CONFIGURE_DEPENDS ${src_dir}/*.cpp ${src_dir}/*.c)
  file(GLOB headers CONFIGURE_DEPENDS ${src_dir}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(include_root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${include_root}/${ARG_FOLDER} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${include_root}/${ARG_FOLDER})
    file(CREATE_LINK ${src_dir} ${include_root}/${ARG_FOLDER} SYMBOLIC)
  endif()
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC ${include_root})
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
    # Qt's code generators run only where Qt is linked.
    if("${ARG_LINKS}" MATCHES "Qt6::|_ui|marvo_app|marvo_platform")
      set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
    endif()
    if("${ARG_LINKS}" MATCHES "Qt6::Widgets|_ui|marvo_app")
      marvo_use_qt_pch(${target})
    endif()
    # libFuzzer steers by the coverage of the code it calls: a library left uninstrumented
    # is a closed box, and the fuzzer only ever sees the few edges of the target's own file.
    if(MARVO_LIBFUZZER)
      target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${include_root})
    target_link_libraries(${target} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# marvo_test(<name> FOLDER <tests/folder> LINKS <libs>... [LABELS <labels>...] [WIDGETS]
#            [SOURCES <more sources>...] [LAUNCHER <script>])
#
# One GoogleTest program per test folder; every test case becomes a CTest test.
# Label "core" marks tests that run in the sanitizer build (no Qt). LAUNCHER runs the program
# through a script, both when its tests are listed and when each runs (a display of its own).
function(marvo_test name)
  cmake_parse_arguments(ARG "WIDGETS" "FOLDER;LAUNCHER" "LINKS;LABELS;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${ARG_FOLDER}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${ARG_SOURCES})
  if(ARG_LAUNCHER)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${ARG_LAUNCHER})
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock)
  # Widget tests get a main() that creates the application object before any test runs.
  if(ARG_WIDGETS)
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/QtTestMain.cpp)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if("${ARG_LINKS}" MATCHES "Qt6::|_ui|marvo_app|marvo_platform")
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  if("${ARG_LINKS}" MATCHES "_ui|marvo_app")
    marvo_use_qt_pch(${name})
  endif()
  target_compile_definitions(${name} PRIVATE
      MARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      MARVO_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/tests/samples"
      MARVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300)
endfunction()
