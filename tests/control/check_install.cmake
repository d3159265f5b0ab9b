# Run with -DBUILD_DIR=... -DPREFIX=...: installs the build into PREFIX and
# fails if anything a desktop needs to list and start the program is missing.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
  COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
  bin/velmora
  share/applications/io.github.velmora.Velmora.desktop
  share/icons/hicolor/scalable/apps/velmora.svg
  share/icons/hicolor/48x48/apps/velmora.png
  share/icons/hicolor/128x128/apps/velmora.png
  share/icons/hicolor/256x256/apps/velmora.png)
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/io.github.velmora.Velmora.desktop" entry)
foreach(line "Type=Application" "Name=Velmora" "Exec=velmora" "Icon=velmora")
  list(FIND entry "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks the line ${line}")
  endif()
endforeach()
