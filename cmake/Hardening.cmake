# SPDX-License-Identifier: GPL-3.0-or-later
# Hardening of the shipped program for GCC and Clang on ELF systems, in the
# optimised configurations (Release, RelWithDebInfo, MinSizeRel):
# fortified C library calls (_FORTIFY_SOURCE needs optimisation), the strong
# stack protector, stack-clash and (on x86) control-flow protection, full RELRO
# with immediate binding, and a position-independent executable.
#
# vellmark_harden(<target>...) sets these on the given targets only. Sanitizer
# and fuzzing builds are left alone: fortified calls bypass AddressSanitizer's
# own checks of the same functions.

include(CheckCXXCompilerFlag)
include(CheckPIESupported)

option(VELLMARK_HARDENING "Build the program with hardening flags in optimised configurations" ON)

set(vellmarkHardeningCompile)
set(vellmarkHardeningLink)
if(VELLMARK_HARDENING AND NOT VELLMARK_SANITIZE AND NOT VELLMARK_FUZZ
        AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize="
        AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
        AND CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
    check_pie_supported(LANGUAGES CXX)
    # -U first: some compilers define their own level, and a second definition
    # would be a warning (an error with VELLMARK_WERROR).
    list(APPEND vellmarkHardeningCompile -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2
        -fstack-protector-strong)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "VELLMARK_HAS${flag}" var)
        check_cxx_compiler_flag(${flag} ${var})
        if(${var})
            list(APPEND vellmarkHardeningCompile ${flag})
        endif()
    endforeach()
    list(APPEND vellmarkHardeningLink LINKER:-z,relro LINKER:-z,now)
endif()
# For the packaging checks, which expect a hardened program.
set_property(GLOBAL PROPERTY VELLMARK_HARDENED "${vellmarkHardeningCompile}")

function(vellmark_harden)
    if(NOT vellmarkHardeningCompile)
        return()
    endif()
    set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
    foreach(target IN LISTS ARGN)
        set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
        target_compile_options(${target} PRIVATE "$<${optimised}:${vellmarkHardeningCompile}>")
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
            target_link_options(${target} PRIVATE "$<${optimised}:${vellmarkHardeningLink}>")
        endif()
    endforeach()
endfunction()
