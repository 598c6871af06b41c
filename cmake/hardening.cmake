# The hardening of every binary the project installs (both libraries, both
# modules, the tool), as Debian builds security code (dpkg-buildflags with
# hardening=+all) and in every build, not only the packages':
#
#   -fstack-protector-strong       a canary in each function with an array or
#                                  an address-taken local
#   -D_FORTIFY_SOURCE=2            glibc's checked variants of memcpy, sprintf
#                                  and the like where the size is known; only
#                                  in optimized builds (glibc needs -O), and
#                                  not in sanitizer builds, whose runtimes
#                                  intercept the plain functions and would
#                                  miss the checked ones
#   -fcf-protection                Intel CET marks (IBT landing pads, shadow
#                                  stack), where the compiler has the option
#   -z relro -z now                the relocated data read-only after load,
#                                  every symbol bound at load
#   -z noexecstack                 a stack that cannot execute
#   PIE                            the tool loads at a random address (the
#                                  libraries and modules are PIC anyway)
#
# orbi_name_hardening carries them (link it PRIVATE to the object libraries
# and to each installed target); ORBI_NAME_HARDENING_EXPECT lists which of
# them this build has, for the test that reads the binaries' ELF headers
# (tests/hardening.cmake). ORBI_NAME_HARDENING=OFF leaves them all out (to
# measure what they cost: bench/RESULTS.md).
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

option(ORBI_NAME_HARDENING
  "Build the installed binaries with the hardening flags (cmake/hardening.cmake)" ON)

add_library(orbi_name_hardening INTERFACE)
set(ORBI_NAME_HARDENING_EXPECT "")
if(ORBI_NAME_HARDENING AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # CMake folds CPPFLAGS from the environment into these at the first
  # configure.
  string(TOUPPER "${CMAKE_BUILD_TYPE}" _orbi_config)
  set(_orbi_all_flags "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${_orbi_config}}")
  check_cxx_compiler_flag(-fstack-protector-strong ORBI_HAS_STACK_PROTECTOR_STRONG)
  if(ORBI_HAS_STACK_PROTECTOR_STRONG)
    target_compile_options(orbi_name_hardening INTERFACE -fstack-protector-strong)
    list(APPEND ORBI_NAME_HARDENING_EXPECT stack-protector)
  endif()
  # Only on the targets it exists for (x86); elsewhere the check fails.
  check_cxx_compiler_flag(-fcf-protection ORBI_HAS_CF_PROTECTION)
  if(ORBI_HAS_CF_PROTECTION)
    target_compile_options(orbi_name_hardening INTERFACE -fcf-protection)
    list(APPEND ORBI_NAME_HARDENING_EXPECT cf-protection)
  endif()
  # A level given in the flags (dpkg-buildflags' own, or 3) is left as it
  # is; -U first so that a compiler that defines it by default does not warn
  # of a redefinition.
  if(_orbi_all_flags MATCHES "_FORTIFY_SOURCE")
    message(STATUS "hardening: _FORTIFY_SOURCE as the flags set it")
  elseif(_orbi_all_flags MATCHES "-fsanitize=")
    message(STATUS "hardening: no _FORTIFY_SOURCE under the sanitizers")
  else()
    set(_orbi_optimized $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
    target_compile_options(orbi_name_hardening INTERFACE
      $<${_orbi_optimized}:-U_FORTIFY_SOURCE>
      $<${_orbi_optimized}:-D_FORTIFY_SOURCE=2>)
    if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
      list(APPEND ORBI_NAME_HARDENING_EXPECT fortify)
    endif()
  endif()
  target_link_options(orbi_name_hardening INTERFACE
    LINKER:-z,relro LINKER:-z,now LINKER:-z,noexecstack)
  list(APPEND ORBI_NAME_HARDENING_EXPECT relro bindnow noexecstack)
  # POSITION_INDEPENDENT_CODE (on for the whole project) links executables
  # with -pie once the linker is known to take it (policy CMP0083).
  check_pie_supported(OUTPUT_VARIABLE _orbi_pie_output LANGUAGES CXX)
  if(CMAKE_CXX_LINK_PIE_SUPPORTED)
    list(APPEND ORBI_NAME_HARDENING_EXPECT pie)
  else()
    message(STATUS "hardening: the tool is not linked as PIE: ${_orbi_pie_output}")
  endif()
endif()
