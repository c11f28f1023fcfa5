# Shared compile settings and helpers for every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(ORVELLA_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORVELLA_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# orvella_library(name SOURCES... [LIBS ...]): a static library of one module.
function(orvella_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# orvella_test(name SOURCES... [LIBS ...]): a GoogleTest executable whose cases CTest runs
# one process each, every process in its own temporary data folders (see tests/support).
function(orvella_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE orvella_test_main ${A_LIBS})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "ORVELLA_SOURCE_DIR=${CMAKE_SOURCE_DIR};ORVELLA_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
