# Fails when a file of the core library includes a header of the widgets or
# GUI modules, or a header of the libraries built on top of the core.
#
#   cmake -DCORE_DIR=<folder> -DFORBIDDEN_HEADER_DIRS=<dir;dir> -P CheckCoreIncludes.cmake
#
# FORBIDDEN_HEADER_DIRS are the QtWidgets and QtGui include folders: every
# header file in them (QWidget, QPixmap, ...) is refused by its name.
cmake_minimum_required(VERSION 3.21)

if(NOT IS_DIRECTORY "${CORE_DIR}")
    message(FATAL_ERROR "no core folder: ${CORE_DIR}")
endif()

set(forbidden_names)
foreach(dir IN LISTS FORBIDDEN_HEADER_DIRS)
    get_filename_component(module "${dir}" NAME) # QtWidgets, QtGui
    list(APPEND forbidden_names "${module}")
    file(GLOB headers RELATIVE "${dir}" "${dir}/*")
    list(APPEND forbidden_names ${headers})
endforeach()

set(violations)
file(GLOB_RECURSE sources "${CORE_DIR}/*.h" "${CORE_DIR}/*.cpp")
foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
        set(bad FALSE)
        if(header MATCHES "^(gui|platform|cli)/")
            set(bad TRUE)
        elseif(header MATCHES "^(QtWidgets|QtGui)(/|$)")
            set(bad TRUE)
        elseif(line MATCHES "<" AND header IN_LIST forbidden_names)
            set(bad TRUE)
        endif()
        if(bad)
            file(RELATIVE_PATH shown "${CORE_DIR}" "${source}")
            list(APPEND violations "  ${shown}: #include ${header}")
        endif()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n" text)
    message(FATAL_ERROR "The core library may use QtCore and QtNetwork only, and no header of "
                        "the windows, platform or command-line libraries:\n${text}")
endif()
list(LENGTH sources count)
message(STATUS "core includes checked: ${count} files")
