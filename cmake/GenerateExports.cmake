# Reads the export list (lines "ordinal name", '#' starts a comment) and writes
#   OUT_C   the C table `ordinal_exports` that ELF builds export, and
#   OUT_DEF the module-definition file of Windows builds, and
#   OUT_MAP the linker version script that exports exactly these names (and the
#           table) from an ELF build, so nothing internal leaks out.
# Runs at configure time; the list is a configure dependency, so editing it
# regenerates all three.
function(generate_exports LIST_FILE OUT_C OUT_DEF OUT_MAP LIBRARY_NAME)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LIST_FILE})
    file(STRINGS ${LIST_FILE} lines)
    set(rows "")
    set(defs "")
    set(globals "")
    set(seen_ordinals "")
    set(seen_names "")
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
        if(ordinal IN_LIST seen_ordinals OR name IN_LIST seen_names)
            message(FATAL_ERROR "${LIST_FILE}: '${line}' repeats an ordinal or a name")
        endif()
        list(APPEND seen_ordinals ${ordinal})
        list(APPEND seen_names ${name})
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
