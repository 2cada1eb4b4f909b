# Shared build settings and the test helpers.

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
  add_compile_options(-Wall -Wextra)
  # No run-time DLLs: libgcc, libstdc++ and winpthread go into the binary.
  add_link_options(-static -static-libgcc -static-libstdc++)
elseif(BRINDLE_FUZZ)
  add_compile_options(-g -O1 -fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
else()
  add_compile_options(-Wall -Wextra)
  if(BRINDLE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

if(BUILD_TESTING AND NOT BRINDLE_FUZZ)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

if(WIN32)
  # Two Wine prefixes of the build's own: one at 96 DPI and one at 144 DPI,
  # made by fixtures so that a bare `ctest` works too.
  foreach(dpi 96 144)
    add_test(NAME wineprefix_${dpi}
             COMMAND ${CMAKE_SOURCE_DIR}/tools/wineprefix ${CMAKE_BINARY_DIR}/wine/${dpi} ${dpi})
    set_tests_properties(wineprefix_${dpi} PROPERTIES FIXTURES_SETUP wine${dpi} TIMEOUT 600)
  endforeach()
endif()

# brindle_test(NAME SOURCES... [LIBS ...] [UI]): a GoogleTest executable.
# Natively it runs under the sanitizers; in the Windows build it runs under
# Wine, and with UI a second time in the 144 DPI prefix.
function(brindle_test name)
  cmake_parse_arguments(T "UI;NOMAIN" "" "SOURCES;LIBS" ${ARGN})
  if(NOT BUILD_TESTING OR BRINDLE_FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  if(T_NOMAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  if(WIN32)
    # Tests see the same common controls and DPI awareness as the program.
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/forms/testing/test.rc)
    set(dpis 96)
    if(T_UI)
      list(APPEND dpis 144)
    endif()
    foreach(dpi ${dpis})
      set(tname ${name})
      if(NOT dpi EQUAL 96)
        set(tname ${name}@${dpi}dpi)
      endif()
      add_test(NAME ${tname} COMMAND ${name})
      set_tests_properties(${tname} PROPERTIES
          FIXTURES_REQUIRED wine${dpi}
          RESOURCE_LOCK display
          TIMEOUT 300
          ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine/${dpi};BRINDLE_EXPECT_DPI=${dpi}")
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  endif()
endfunction()

# brindle_fuzz(NAME SOURCES...): a libFuzzer target, run briefly as a test.
function(brindle_fuzz name)
  if(NOT BRINDLE_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE brindle_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${name} COMMAND ${name} -max_total_time=20 -rss_limit_mb=4096)
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
endfunction()
