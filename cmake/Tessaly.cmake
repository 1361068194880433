# Shared build settings for every target of the project.

set(TESSALY_WARNINGS -Wall -Wextra -Wpedantic)
if(TESSALY_WERROR)
  list(APPEND TESSALY_WARNINGS -Werror)
endif()

# Line and branch counts for the coverage report (GCC); the plain test build carries them.
if(TESSALY_COVERAGE)
  add_compile_options(--coverage)
  add_link_options(--coverage)
endif()

if(TESSALY_SANITIZE)
  add_compile_options(-fsanitize=${TESSALY_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TESSALY_SANITIZE})
  if(TESSALY_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# Applies the project's warning flags to a target.
function(tessaly_warnings target)
  target_compile_options(${target} PRIVATE ${TESSALY_WARNINGS})
endfunction()

# Places a target's output in the program folder, beside the installed files.
function(tessaly_into_program_folder target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${TESSALY_PROGRAM_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${TESSALY_PROGRAM_DIR})
  tessaly_warnings(${target})
endfunction()

# Declares a static subsystem library.
function(tessaly_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  tessaly_warnings(${name})
endfunction()

# Declares one Qt Test program and registers it with CTest.
#   tessaly_test(NAME name SOURCES ... LIBS ... [ENV VAR=value ...] [TIMEOUT s])
function(tessaly_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE tessaly_test_harness ${T_LIBS} Qt6::Test)
  tessaly_warnings(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;${T_ENV}")
endfunction()

# Registers a libFuzzer target as a ctest test labelled "fuzz": a bounded run from a corpus that
# the build makes out of the committed seeds (hex seeds turned into bytes) and any extra files.
#   tessaly_fuzz_test(TARGET name SEEDS folder [EXTRA files...] [DEPENDS targets...])
function(tessaly_fuzz_test)
  cmake_parse_arguments(F "" "TARGET;SEEDS" "EXTRA;DEPENDS" ${ARGN})
  file(GLOB seeds CONFIGURE_DEPENDS ${F_SEEDS}/*)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus-${F_TARGET})
  add_custom_command(OUTPUT ${corpus}.stamp
    COMMAND tessaly_hexseeds ${corpus} ${seeds} ${F_EXTRA}
    COMMAND ${CMAKE_COMMAND} -E touch ${corpus}.stamp
    DEPENDS tessaly_hexseeds ${seeds} ${F_EXTRA} ${F_DEPENDS}
    COMMENT "Fuzz corpus of ${F_TARGET}"
    VERBATIM)
  add_custom_target(${F_TARGET}_corpus DEPENDS ${corpus}.stamp)
  add_dependencies(${F_TARGET} ${F_TARGET}_corpus)
  set_property(GLOBAL APPEND PROPERTY TESSALY_FUZZ_TARGETS ${F_TARGET})
  add_test(NAME ${F_TARGET}
    COMMAND ${F_TARGET} -max_total_time=20 -print_final_stats=1 ${corpus})
  set_tests_properties(${F_TARGET} PROPERTIES LABELS fuzz TIMEOUT 120
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

# A libFuzzer target over one library: the library gets the fuzzer's coverage instrumentation,
# the target its entry point, and a bounded run from its seeds becomes a test.
#   tessaly_fuzz_target(NAME name SOURCE file LIBRARY lib SEEDS folder [EXTRA ...] [DEPENDS ...])
function(tessaly_fuzz_target)
  cmake_parse_arguments(F "" "NAME;SOURCE;LIBRARY;SEEDS" "EXTRA;DEPENDS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TESSALY_FUZZ needs clang (libFuzzer)")
  endif()
  target_compile_options(${F_LIBRARY} PRIVATE -fsanitize=fuzzer-no-link)
  add_executable(${F_NAME} ${F_SOURCE})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBRARY})
  tessaly_warnings(${F_NAME})
  tessaly_fuzz_test(TARGET ${F_NAME} SEEDS ${F_SEEDS} EXTRA ${F_EXTRA} DEPENDS ${F_DEPENDS})
endfunction()
