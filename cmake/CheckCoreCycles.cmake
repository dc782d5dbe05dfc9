# Fails when the core's areas (the folders of src/core) include each other in
# a cycle: every area must be readable and testable without those that build
# on it.
#
#   cmake -DCORE_DIR=<folder> -P CheckCoreCycles.cmake
cmake_minimum_required(VERSION 3.21)

get_filename_component(CORE_DIR "${CORE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${CORE_DIR}")
    message(FATAL_ERROR "no core folder: ${CORE_DIR}")
endif()

# The areas, and for each the areas its files include ("uses_<area>").
file(GLOB entries RELATIVE "${CORE_DIR}" "${CORE_DIR}/*")
set(areas)
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${CORE_DIR}/${entry}")
        list(APPEND areas "${entry}")
    endif()
endforeach()
if(NOT areas)
    message(FATAL_ERROR "no area (no folder) in the core folder ${CORE_DIR}: nothing to check")
endif()
# An include names an area in any of its forms: "core/<area>/X.h" or
# <core/<area>/X.h> from the include root, or a path relative to the file
# ("../<area>/X.h", "X.h"), resolved against the file's folder.
foreach(area IN LISTS areas)
    set(uses_${area})
    file(GLOB_RECURSE sources "${CORE_DIR}/${area}/*.h" "${CORE_DIR}/${area}/*.cpp")
    foreach(source IN LISTS sources)
        get_filename_component(folder "${source}" DIRECTORY)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1"
                   header "${line}")
            set(used)
            if(header MATCHES "^core/([^/]+)/")
                set(used "${CMAKE_MATCH_1}")
            elseif(line MATCHES "\"")
                get_filename_component(resolved "${header}" ABSOLUTE BASE_DIR "${folder}")
                file(RELATIVE_PATH inside "${CORE_DIR}" "${resolved}")
                if(inside MATCHES "^([^./][^/]*)/")
                    set(used "${CMAKE_MATCH_1}")
                endif()
            endif()
            if(used AND NOT used STREQUAL area)
                list(APPEND uses_${area} "${used}")
            endif()
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES uses_${area})
endforeach()

# A walk from each area along the includes; reaching the area again is a
# cycle, reported with the path that closes it.
set(cycles)
foreach(start IN LISTS areas)
    set(paths ${uses_${start}})
    set(seen)
    while(paths)
        list(POP_FRONT paths path)
        string(REPLACE ">" ";" steps "${path}")
        list(GET steps -1 last)
        if(last STREQUAL start)
            string(REPLACE ">" " > " shown "${start}>${path}")
            list(APPEND cycles "  ${shown}")
            break()
        endif()
        if(last IN_LIST seen)
            continue()
        endif()
        list(APPEND seen "${last}")
        foreach(next IN LISTS uses_${last})
            list(APPEND paths "${path}>${next}")
        endforeach()
    endwhile()
endforeach()

if(cycles)
    list(JOIN cycles "\n" text)
    message(FATAL_ERROR "The core's areas include each other in a cycle:\n${text}")
endif()
list(LENGTH areas count)
message(STATUS "core areas checked: ${count}, no cycle")
