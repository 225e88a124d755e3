# Warnings as errors everywhere, and the optional sanitizer builds.
#
# MVD_SANITIZE=address builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (any UB report aborts the test that hit it).
# MVD_SANITIZE=thread builds with ThreadSanitizer.
# MVD_BUILD_FUZZ adds coverage instrumentation for libFuzzer to all code, so
# the fuzz targets link against instrumented libraries.

add_compile_options(-Wall -Wextra -Werror)
# Four-character codes ('mvdk', 'BGRA') are written as multi-character
# literals, as the host API does; gcc and clang both pack them big-endian.
add_compile_options(-Wno-multichar)

if(MVD_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(MVD_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT MVD_SANITIZE STREQUAL "")
  message(FATAL_ERROR "MVD_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(MVD_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "MVD_BUILD_FUZZ needs clang (CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
