# Reads the export list (lines "ordinal name [result parameters...]", '#' starts a
# comment) into the lists OUT_ORDINALS and OUT_NAMES, in the list's order, and,
# when OUT_SIGNATURES is given after them, each line's result and parameters as one
# ';'-free string (fields separated by spaces). A line that cannot be read, an
# ordinal out of range and a repeated ordinal or name stop the configuration. The
# list is a configure dependency of the calling directory.
function(read_export_list LIST_FILE OUT_ORDINALS OUT_NAMES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LIST_FILE})
    file(STRINGS ${LIST_FILE} lines)
    set(ordinals "")
    set(names "")
    set(signatures "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "#.*$" "" line "${line}")
        string(STRIP "${line}" line)
        if(line STREQUAL "")
            continue()
        endif()
        if(NOT line MATCHES "^([0-9]+)[ \t]+([A-Za-z_][A-Za-z0-9_]*)([ \t]+(.*))?$")
            message(FATAL_ERROR "${LIST_FILE}: cannot read line '${line}'")
        endif()
        set(ordinal ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        string(REGEX REPLACE "[ \t]+" " " signature "${CMAKE_MATCH_4}")
        if(ordinal EQUAL 0 OR ordinal GREATER 65535)
            message(FATAL_ERROR "${LIST_FILE}: ordinal ${ordinal} out of range")
        endif()
        if(ordinal IN_LIST ordinals OR name IN_LIST names)
            message(FATAL_ERROR "${LIST_FILE}: '${line}' repeats an ordinal or a name")
        endif()
        list(APPEND ordinals ${ordinal})
        list(APPEND names ${name})
        list(APPEND signatures "${signature}")
    endforeach()
    set(${OUT_ORDINALS} ${ordinals} PARENT_SCOPE)
    set(${OUT_NAMES} ${names} PARENT_SCOPE)
    if(ARGC GREATER 3)
        set(${ARGV3} "${signatures}" PARENT_SCOPE)
    endif()
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


# From the export list's results and parameters (see the list's head), writes
#   OUT_HEADER  binding/export_entries.h: the X-macro DROVIK_EXPORTS(X), which
#               lists X(ordinal, name, result type, (parameter types)) for every
#               export in the list's order, and binding::kExportCount;
#   OUT_SOURCE  the table behind binding::export_descriptions(): each parameter's
#               name, kind, type, size and the parameter its size or count refers to.
# A parameter that cannot be read, or that refers to a parameter of the wrong
# kind, stops the configuration.
function(generate_binding LIST_FILE OUT_HEADER OUT_SOURCE)
    read_export_list(${LIST_FILE} ordinals names signatures)
    cmake_path(GET LIST_FILE FILENAME list_name)
    set(entries "")
    set(tables "")
    set(rows "")
    set(count 0)
    foreach(ordinal name signature IN ZIP_LISTS ordinals names signatures)
        math(EXPR count "${count} + 1")
        string(REPLACE " " ";" fields "${signature}")
        list(POP_FRONT fields result)
        if(result STREQUAL "i32")
            set(c_result int32_t)
            set(result_type I32)
        elseif(result STREQUAL "void")
            set(c_result void)
            set(result_type Void)
        else()
            message(FATAL_ERROR "${list_name}: ${name}: unknown result '${result}'")
        endif()

        # Names and kinds first: a size or a count may name a later parameter.
        set(parameter_names "")
        set(parameter_kinds "")
        foreach(field IN LISTS fields)
            if(NOT field MATCHES "^([a-z_][a-z0-9_]*):(.+)$")
                message(FATAL_ERROR "${list_name}: ${name}: cannot read parameter '${field}'")
            endif()
            list(APPEND parameter_names ${CMAKE_MATCH_1})
            list(APPEND parameter_kinds "${CMAKE_MATCH_2}")
        endforeach()

        set(c_types "")
        set(parameter_rows "")
        foreach(parameter kind IN ZIP_LISTS parameter_names parameter_kinds)
            set(size 0)
            set(related -1)
            if(kind MATCHES "^(i32|u32)$")
                string(TOUPPER ${kind} type)
                set(c_type "${kind}_t")
                string(REPLACE "i32_t" "int32_t" c_type "${c_type}")
                string(REPLACE "u32_t" "uint32_t" c_type "${c_type}")
                set(row_kind Value)
            elseif(kind MATCHES "^(in|out)\\[([0-9]+|[a-z_][a-z0-9_]*)\\]$")
                set(type U8)
                if(CMAKE_MATCH_1 STREQUAL "in")
                    set(c_type "const uint8_t *")
                    set(row_kind Input)
                else()
                    set(c_type "uint8_t *")
                    set(row_kind Output)
                endif()
                set(extent ${CMAKE_MATCH_2})
                if(extent MATCHES "^[0-9]+$")
                    set(size ${extent})
                else()
                    list(FIND parameter_names ${extent} related)
                    if(related EQUAL -1)
                        message(FATAL_ERROR "${list_name}: ${name}: no parameter '${extent}'")
                    endif()
                    list(GET parameter_kinds ${related} related_kind)
                    if(NOT related_kind STREQUAL "i32")
                        message(FATAL_ERROR
                                "${list_name}: ${name}: the size '${extent}' is no i32 value")
                    endif()
                endif()
            elseif(kind MATCHES "^count\\[([a-z_][a-z0-9_]*)\\]$")
                set(type U8)
                set(c_type "uint8_t *")
                set(row_kind Count)
                set(size 1)
                list(FIND parameter_names ${CMAKE_MATCH_1} related)
                if(related EQUAL -1)
                    message(FATAL_ERROR "${list_name}: ${name}: no parameter '${CMAKE_MATCH_1}'")
                endif()
                list(GET parameter_kinds ${related} related_kind)
                if(NOT related_kind MATCHES "^out\\[")
                    message(FATAL_ERROR
                            "${list_name}: ${name}: '${parameter}' counts no output buffer")
                endif()
            elseif(kind MATCHES "^(u8|u16|i32|u32)\\*$")
                set(base ${CMAKE_MATCH_1})
                string(TOUPPER ${base} type)
                string(REGEX REPLACE "^u" "uint" c_type "${base}")
                string(REGEX REPLACE "^i" "int" c_type "${c_type}")
                set(c_type "${c_type}_t *")
                set(row_kind ValueOut)
                string(REGEX REPLACE "[^0-9]" "" bits "${base}")
                math(EXPR size "${bits} / 8")
            elseif(kind STREQUAL "ptr")
                set(type Void)
                set(c_type "void *")
                set(row_kind Pointer)
            else()
                message(FATAL_ERROR "${list_name}: ${name}: unknown kind '${kind}' of '${parameter}'")
            endif()
            list(APPEND c_types "${c_type}")
            string(APPEND parameter_rows
                   "    {\"${parameter}\", K::${row_kind}, T::${type}, ${size}, ${related}},\n")
        endforeach()

        list(JOIN c_types ", " c_list)
        if(c_list STREQUAL "")
            set(c_list void)
        endif()
        string(APPEND entries " \\\n    X(${ordinal}, ${name}, ${c_result}, (${c_list}))")
        if(parameter_rows STREQUAL "")
            string(APPEND rows "        {${ordinal}, \"${name}\", T::${result_type}, {}},\n")
        else()
            string(APPEND tables
                   "constexpr ParameterDescription parameters_${name}[] = {\n${parameter_rows}};\n")
            string(APPEND rows
                   "        {${ordinal}, \"${name}\", T::${result_type}, parameters_${name}},\n")
        endif()
    endforeach()

    file(CONFIGURE OUTPUT ${OUT_HEADER} CONTENT
"// Generated from ${list_name}; do not edit.
#pragma once

#include <stdint.h>

#define DROVIK_EXPORTS(X)${entries}

namespace binding {
inline constexpr int kExportCount = ${count};
}  // namespace binding
" @ONLY)
    file(CONFIGURE OUTPUT ${OUT_SOURCE} CONTENT
"// Generated from ${list_name}; do not edit.
#include \"binding/export_descriptions.h\"

namespace binding {

namespace {

using K = ParameterKind;
using T = ValueType;

${tables}
}  // namespace

const std::array<ExportDescription, kExportCount> &export_descriptions() {
    static constexpr std::array<ExportDescription, kExportCount> table = {{
${rows}    }};
    return table;
}

}  // namespace binding
" @ONLY)
endfunction()
