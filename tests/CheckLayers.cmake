# Fails when a lower layer of the program includes a higher one. The layers, lowest first:
#   common                shared units (UTF-8 text); includes no other layer
#   editor, browser       the editor and its configuration; the object tree (neither includes the other)
#   script                the engine, its outcomes, the console, the expression dialog
#   tools                 find and replace, formatting
#   app                   the window, files, the help dialog, the entry point
# A file may include its own layer and any lower one.
#   cmake -DROOT=<source tree> -P CheckLayers.cmake
set(rank_common 0)
set(rank_editor 1)
set(rank_browser 1)
set(rank_script 2)
set(rank_tools 3)
set(rank_app 4)
set(layers common editor browser script tools app)

set(violations "")
foreach(layer IN LISTS layers)
    file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([a-z]+)/([^\"]*)\".*" "\\1" target "${line}")
            string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" header "${line}")
            if(target STREQUAL layer)
                continue()
            endif()
            if(NOT DEFINED rank_${target} OR NOT rank_${target} LESS rank_${layer})
                string(APPEND violations "  ${source} includes ${header} (${layer} may not include ${target})\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "lower layers include higher ones:\n${violations}")
endif()
message(STATUS "layers: every include goes down")
