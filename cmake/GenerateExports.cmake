# Reads the export list (lines "ordinal name", '#' starts a comment) into the
# lists OUT_ORDINALS and OUT_NAMES, in the list's order. A line that cannot be
# read, an ordinal out of range and a repeated ordinal or name stop the
# configuration. The list is a configure dependency of the calling directory.
function(read_export_list LIST_FILE OUT_ORDINALS OUT_NAMES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LIST_FILE})
    file(STRINGS ${LIST_FILE} lines)
    set(ordinals "")
    set(names "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "#.*$" "" line "${line}")
        string(STRIP "${line}" line)
        if(line STREQUAL "")
            continue()
        endif()
        if(NOT line MATCHES "^([0-9]+)[ \t]+([A-Za-z_][A-Za-z0-9_]*)$")
            message(FATAL_ERROR "${LIST_FILE}: cannot read line '${line}'")
        endif()
        set(ordinal ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        if(ordinal EQUAL 0 OR ordinal GREATER 65535)
            message(FATAL_ERROR "${LIST_FILE}: ordinal ${ordinal} out of range")
        endif()
        if(ordinal IN_LIST ordinals OR name IN_LIST names)
            message(FATAL_ERROR "${LIST_FILE}: '${line}' repeats an ordinal or a name")
        endif()
        list(APPEND ordinals ${ordinal})
        list(APPEND names ${name})
    endforeach()
    set(${OUT_ORDINALS} ${ordinals} PARENT_SCOPE)
    set(${OUT_NAMES} ${names} PARENT_SCOPE)
endfunction()

# From the export list, writes
#   OUT_C   the C table `ordinal_exports` that ELF builds export, and
#   OUT_DEF the module-definition file of Windows builds, and
#   OUT_MAP the linker version script that exports exactly these names (and the
#           table) from an ELF build, so nothing internal leaks out.
# Runs at configure time; the list is a configure dependency, so editing it
# regenerates all three.
function(generate_exports LIST_FILE OUT_C OUT_DEF OUT_MAP LIBRARY_NAME)
    read_export_list(${LIST_FILE} ordinals names)
    set(rows "")
    set(defs "")
    set(globals "")
    foreach(ordinal name IN ZIP_LISTS ordinals names)
        string(APPEND rows "    {${ordinal}, \"${name}\"},\n")
        string(APPEND defs "    ${name} @${ordinal}\n")
        string(APPEND globals "        ${name};\n")
    endforeach()
    cmake_path(GET LIST_FILE FILENAME list_name)
    file(CONFIGURE OUTPUT ${OUT_C} CONTENT
"/* Generated from ${list_name}; do not edit. */
#include \"drovik.h\"

const drovik_ordinal_export ordinal_exports[] = {
${rows}    {0, 0},
};
" @ONLY)
    file(CONFIGURE OUTPUT ${OUT_DEF} CONTENT
"; Generated from ${list_name}; do not edit.
LIBRARY ${LIBRARY_NAME}
EXPORTS
${defs}" @ONLY)
    file(CONFIGURE OUTPUT ${OUT_MAP} CONTENT
"/* Generated from ${list_name}; do not edit. */
{
    global:
${globals}        ordinal_exports;
    local:
        *;
};
" @ONLY)
endfunction()

# From the export list, writes OUT_HEADER: the X-macro MACRO_NAME(X) that lists
# X(ordinal, name) for every export but those whose ordinal is given after
# EXCEPT, in the list's order. A program that binds the library by ordinal builds
# its table from it, so its ordinals are the library's own.
function(generate_binding_entries LIST_FILE OUT_HEADER MACRO_NAME)
    cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "EXCEPT")
    read_export_list(${LIST_FILE} ordinals names)
    set(entries "")
    foreach(ordinal name IN ZIP_LISTS ordinals names)
        if(NOT ordinal IN_LIST arg_EXCEPT)
            string(APPEND entries " \\\n    X(${ordinal}, ${name})")
        endif()
    endforeach()
    cmake_path(GET LIST_FILE FILENAME list_name)
    file(CONFIGURE OUTPUT ${OUT_HEADER} CONTENT
"// Generated from ${list_name}; do not edit.
#pragma once

#define ${MACRO_NAME}(X)${entries}
" @ONLY)
endfunction()
