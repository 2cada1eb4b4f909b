# Shared build settings and the test helpers.

# Each configuration names its tests with a prefix of its own, so that a
# failing fixture of one configuration never stops another's tests in the
# one CTest run over all of them.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(BRINDLE_CONFIG win64)
elseif(WIN32)
  set(BRINDLE_CONFIG win32)
elseif(BRINDLE_FUZZ)
  set(BRINDLE_CONFIG fuzz)
else()
  set(BRINDLE_CONFIG native)
endif()

if(WIN32)
  # The 32-bit build runs on Windows XP SP3: at XP's version the SDK headers
  # hide every later function, so nothing newer can be imported by mistake.
  # The 64-bit build is for 64-bit Windows 7 and later.
  if(BRINDLE_CONFIG STREQUAL win32)
    set(winver 0x0501)
  else()
    set(winver 0x0601)
  endif()
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=${winver} WINVER=${winver} _WIN32_IE=0x0600)
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
  if(WIN32)
    # GoogleTest's platform hook for the win32 thread model: first on the
    # include path of GoogleTest and of every test.
    include_directories(BEFORE ${CMAKE_SOURCE_DIR}/cmake/gtest-win32)
  endif()
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# The Wine tests of a Windows configuration; off where this machine cannot
# start the configuration's programs (a kernel without 32-bit support).
option(BRINDLE_WINE_TESTS "Windows build: run the tests under Wine" ON)

if(WIN32 AND BRINDLE_WINE_TESTS)
  # Wine prefixes of the build's own, one per screen resolution that the UI
  # tests run at, made by fixtures so that a bare `ctest` works too. Their
  # architecture is the build's: a 64-bit program needs a win64 prefix.
  # They are made one at a time, of every configuration (the resource lock):
  # fresh prefixes booted side by side on a machine's first run of Wine
  # have failed to be made.
  if(BRINDLE_CONFIG STREQUAL win64)
    set(BRINDLE_WINEARCH win64)
    set(BRINDLE_UI_DPIS 96 120 144)
  else()
    set(BRINDLE_WINEARCH win32)
    set(BRINDLE_UI_DPIS 96 144)
  endif()
  foreach(dpi ${BRINDLE_UI_DPIS})
    add_test(NAME ${BRINDLE_CONFIG}.wineprefix_${dpi}
             COMMAND ${CMAKE_SOURCE_DIR}/tools/wineprefix ${CMAKE_BINARY_DIR}/wine/${dpi}
                     ${dpi} ${BRINDLE_WINEARCH})
    set_tests_properties(${BRINDLE_CONFIG}.wineprefix_${dpi} PROPERTIES
        FIXTURES_SETUP ${BRINDLE_CONFIG}.wine${dpi} RESOURCE_LOCK wineprefix TIMEOUT 600)
  endforeach()
  # Those have Wine's visual-styles theme on, as a new prefix does; one
  # more at 96 DPI has it off.
  add_test(NAME ${BRINDLE_CONFIG}.wineprefix_classic
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wineprefix ${CMAKE_BINARY_DIR}/wine/classic
                   96 ${BRINDLE_WINEARCH} classic)
  set_tests_properties(${BRINDLE_CONFIG}.wineprefix_classic PROPERTIES
      FIXTURES_SETUP ${BRINDLE_CONFIG}.wineclassic RESOURCE_LOCK wineprefix TIMEOUT 600)
endif()

# brindle_wine_test(NAME PREFIX COMMAND...): a test that runs under Wine (the
# command's Windows programs through tools/winerun) in the prefix named by
# its DPI, or "classic" for the 96 DPI one with the theme off.
function(brindle_wine_test name prefix)
  if(NOT BRINDLE_WINE_TESTS)
    return()
  endif()
  if(prefix STREQUAL classic)
    set(expect "BRINDLE_EXPECT_DPI=96;BRINDLE_EXPECT_THEME=0")
  else()
    set(expect "BRINDLE_EXPECT_DPI=${prefix}")
  endif()
  add_test(NAME ${BRINDLE_CONFIG}.${name} COMMAND ${ARGN})
  set_tests_properties(${BRINDLE_CONFIG}.${name} PROPERTIES
      FIXTURES_REQUIRED ${BRINDLE_CONFIG}.wine${prefix}
      RESOURCE_LOCK display
      TIMEOUT 300
      ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wine/${prefix};${expect}")
endfunction()

# brindle_test(NAME SOURCES... [LIBS ...] [UI]): a GoogleTest executable.
# Natively it runs under the sanitizers; in a Windows build it runs under
# Wine, and with UI once more in each prefix of another resolution.
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
      set(dpis ${BRINDLE_UI_DPIS})
    endif()
    foreach(dpi ${dpis})
      set(tname ${name})
      if(NOT dpi EQUAL 96)
        set(tname ${name}@${dpi}dpi)
      endif()
      # The cross-compiling emulator (tools/winerun) runs it under Wine.
      brindle_wine_test(${tname} ${dpi} ${name})
    endforeach()
  else()
    add_test(NAME ${BRINDLE_CONFIG}.${name} COMMAND ${name})
    set_tests_properties(${BRINDLE_CONFIG}.${name} PROPERTIES TIMEOUT 900)
  endif()
endfunction()

# brindle_fuzz(NAME SOURCES...): a libFuzzer target, run briefly as a test.
# The inputs that once made it fail, kept beside its source in
# fuzz_regressions/NAME (tools/fuzz puts them there), are replayed first.
# An input that runs past 10 s fails the run with the input saved, rather
# than holding the test until CTest kills it with nothing to show.
function(brindle_fuzz name)
  if(NOT BRINDLE_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE brindle_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${BRINDLE_CONFIG}.${name} COMMAND ${name} -max_total_time=20 -timeout=10 -rss_limit_mb=4096)
  set_tests_properties(${BRINDLE_CONFIG}.${name} PROPERTIES TIMEOUT 120)
  set(regressions ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_regressions/${name})
  if(IS_DIRECTORY ${regressions})
    add_test(NAME ${BRINDLE_CONFIG}.${name}_regressions
             COMMAND ${name} -runs=0 -rss_limit_mb=4096 ${regressions})
    set_tests_properties(${BRINDLE_CONFIG}.${name}_regressions PROPERTIES TIMEOUT 120)
  endif()
endfunction()
