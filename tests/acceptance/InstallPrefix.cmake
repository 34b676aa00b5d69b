# Installs the built program into a scratch prefix, as a user would install it, for the real-window tests.
#   cmake -DBUILD_DIR=<build tree> -DPREFIX=<scratch prefix> -P InstallPrefix.cmake
# 'cmake --install' rewrites the build tree's install_manifest.txt; the one that was there is put back.
foreach(var BUILD_DIR PREFIX)
    if(NOT ${var})
        message(FATAL_ERROR "InstallPrefix.cmake needs -D${var}=...")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
set(manifest "${BUILD_DIR}/install_manifest.txt")
set(saved "${PREFIX}.manifest")
file(REMOVE "${saved}")
if(EXISTS "${manifest}")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${manifest}" "${saved}")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)

if(EXISTS "${saved}")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E rename "${saved}" "${manifest}")
else()
    file(REMOVE "${manifest}")
endif()

if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()
if(NOT EXISTS "${PREFIX}/bin/velmora")
    message(FATAL_ERROR "cmake --install left no bin/velmora in ${PREFIX}:\n${output}")
endif()
message(STATUS "installed into ${PREFIX}")
