# Shared compile settings and helpers for every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(ORVELLA_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# In the fuzz build, undefined behaviour ends the run like a crash, in the targets and in the
# instrumented copies of the code they test alike, so that the smoke run fails on it.
if(ORVELLA_FUZZ)
  add_compile_options(-fno-sanitize-recover=undefined)
endif()
if(ORVELLA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
# Under AddressSanitizer GCC 12 warns maybe-uninitialized inside libstdc++'s std::function and
# std::regex (false positives in the headers); normal and thread-sanitizer builds keep the
# warning for our own code.
if(ORVELLA_ASAN AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-maybe-uninitialized>)
endif()

# orvella_library(name SOURCES... [LIBS ...]): a static library of one module.
function(orvella_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# orvella_test(name SOURCES... [LIBS ...] [LOCK resource]): a GoogleTest executable whose cases
# CTest runs one process each, every process in its own temporary data folders (see
# tests/support). Cases of tests that name the same LOCK never run at the same time.
function(orvella_test name)
  cmake_parse_arguments(A "" "LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE orvella_test_main ${A_LIBS})
  set(lock "")
  if(A_LOCK)
    set(lock RESOURCE_LOCK ${A_LOCK})
  endif()
  # The sanitizers run the long end-to-end tests (the tour, the world tours) several times
  # slower: under them a case may take up to 20 minutes.
  set(timeout 300)
  if(ORVELLA_ASAN OR ORVELLA_TSAN)
    set(timeout 1200)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${timeout} ${lock})
endfunction()

# orvella_test_folder(LIBS ...): one test executable per *_test.cpp file of the calling folder,
# named after the file, so that files worked on apart never break each other's build.
function(orvella_test_folder)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" prefix "${rel}")
  foreach(f ${files})
    get_filename_component(stem ${f} NAME_WE)
    orvella_test(${prefix}_${stem} SOURCES ${f} LIBS ${A_LIBS})
  endforeach()
endfunction()

# orvella_fuzzer(name SOURCES... [LIBS ...] [SANITIZE list]): a libFuzzer target (clang) under
# the sanitizers named (default "address,undefined"). The code it tests gets coverage only where
# that code is built with -fsanitize=fuzzer-no-link (see tests/fuzz).
function(orvella_fuzzer name)
  cmake_parse_arguments(A "" "SANITIZE" "SOURCES;LIBS" ${ARGN})
  if(NOT A_SANITIZE)
    set(A_SANITIZE address,undefined)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,${A_SANITIZE})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,${A_SANITIZE})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

# orvella_subdirs(): adds every subfolder of the calling folder that has a CMakeLists.txt.
macro(orvella_subdirs)
  file(GLOB _subdirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(_d ${_subdirs})
    if(IS_DIRECTORY ${_d} AND EXISTS ${_d}/CMakeLists.txt)
      add_subdirectory(${_d})
    endif()
  endforeach()
endmacro()
