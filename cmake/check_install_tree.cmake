# Installs the build into a fresh folder and checks that exactly the program, the
# command-line tool, the simulator, the menu entry and its icon land there, that
# the entry names the installed program and icon, and that the installed programs
# start; the program and the tool report the version the package is named with.
#
#   cmake -DBUILD_DIR=build -DPREFIX=build/install-tree -DVERSION=1.36 \
#         -P cmake/check_install_tree.cmake
cmake_minimum_required(VERSION 3.25)
file(REAL_PATH ${BUILD_DIR} BUILD_DIR)
get_filename_component(PREFIX ${PREFIX} ABSOLUTE)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
set(expected bin/duruz bin/duruz-cli bin/duruz-sim share/applications/duruz.desktop
             share/icons/hicolor/scalable/apps/duruz.svg)
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "installed: ${installed}\nexpected: ${expected}")
endif()

# The menu starts Exec through the PATH and finds Icon among the icon themes.
file(STRINGS ${PREFIX}/share/applications/duruz.desktop entry)
list(GET entry 0 group)
if(NOT group STREQUAL "[Desktop Entry]")
    message(FATAL_ERROR "the desktop file starts with '${group}'")
endif()
foreach(key Exec Icon)
    set(lines ${entry})
    list(FILTER lines INCLUDE REGEX "^${key}=")
    list(LENGTH lines count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "the desktop file has ${count} ${key} lines")
    endif()
    string(REGEX REPLACE "^${key}=([^ ]*).*" "\\1" ${key} "${lines}")
endforeach()
if(NOT EXISTS ${PREFIX}/bin/${Exec})
    message(FATAL_ERROR "Exec=${Exec} is not an installed program")
endif()
if(NOT EXISTS ${PREFIX}/share/icons/hicolor/scalable/apps/${Icon}.svg)
    message(FATAL_ERROR "Icon=${Icon} is not the installed icon")
endif()

# Without a search path into the build folder, the installed files still run.
execute_process(COMMAND ${PREFIX}/bin/duruz-sim --help OUTPUT_VARIABLE usage
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT usage MATCHES "^usage: duruz-sim")
    message(FATAL_ERROR "installed duruz-sim --help: ${result}\n${usage}")
endif()
execute_process(COMMAND ${PREFIX}/bin/duruz-cli --version OUTPUT_VARIABLE version
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT version STREQUAL "duruz-cli ${VERSION}\n")
    message(FATAL_ERROR "installed duruz-cli --version: ${result}\n${version}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PREFIX}/bin/${Exec}
                        --version OUTPUT_VARIABLE version ERROR_VARIABLE errors
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT version STREQUAL "duruz ${VERSION}\n")
    message(FATAL_ERROR "installed duruz --version: ${result}\n${version}${errors}")
endif()
