# Installs the build into a scratch prefix and starts the installed program.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(file bin/sudregister bin/sudregister-import
             share/applications/org.sudregister.Sudregister.desktop
             share/icons/hicolor/scalable/apps/org.sudregister.Sudregister.svg
             share/metainfo/org.sudregister.Sudregister.metainfo.xml)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/sudregister" --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^Sudregister [0-9]")
  message(FATAL_ERROR "installed sudregister --version: ${rc} ${out}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
