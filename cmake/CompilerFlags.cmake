# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings and sanitizers, set per target and per compiler: GCC and Clang take
# -Wall -Wextra -Wpedantic, MSVC /W4; VELLMARK_WERROR makes warnings errors,
# VELLMARK_SANITIZE adds AddressSanitizer (and, outside MSVC, the undefined-
# behaviour sanitizer), which every program linking an instrumented library
# must be linked with too.

function(vellmark_compile_flags)
    if(MSVC)
        set(warnings /W4 $<$<BOOL:${VELLMARK_WERROR}>:/WX>)
        set(sanitize /fsanitize=address)
        set(sanitizeLink)
    else()
        set(warnings -Wall -Wextra -Wpedantic $<$<BOOL:${VELLMARK_WERROR}>:-Werror>)
        set(sanitize -fsanitize=address,undefined -fno-omit-frame-pointer
            -fno-sanitize-recover=undefined)
        set(sanitizeLink -fsanitize=address,undefined)
    endif()
    foreach(target IN LISTS ARGN)
        target_compile_options(${target} PRIVATE ${warnings})
        if(VELLMARK_SANITIZE)
            target_compile_options(${target} PRIVATE ${sanitize})
            target_link_options(${target} PRIVATE ${sanitizeLink})
        endif()
    endforeach()
endfunction()

# Every target built from this project's sources under <dir>, its folders included.
function(vellmark_project_targets out dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    set(found)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            list(APPEND found ${target})
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        vellmark_project_targets(more ${sub})
        list(APPEND found ${more})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
