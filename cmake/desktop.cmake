# The programs on a desktop: their icon and `cmake --install`.
#
# The install puts both programs, render_bench and the pictures in one folder (bin/ on
# Linux, the prefix itself on Windows); a program that finds no "Icons" in its working
# folder reads the one beside itself, so installed programs run from anywhere. On Linux it
# adds the programs' icon to the hicolor theme and a menu entry (.desktop file) for each
# program. Windows builds take the icon from app/win32/lumora.ico through their resource
# script.
include(GNUInstallDirs)

set(DESKTOP_PROGRAMS render_demo render_demo_crazy)

# A Windows program lives in a folder of its own: the programs go to the top of the prefix.
if(WIN32)
  set(PROGRAM_FOLDER .)
else()
  set(PROGRAM_FOLDER ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS ${DESKTOP_PROGRAMS} render_bench RUNTIME DESTINATION ${PROGRAM_FOLDER})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Icons DESTINATION ${PROGRAM_FOLDER})

if(WIN32)
  return()
endif()

# The window icon: each program carries the PNG sizes of app/linux inside it, as a
# GResource bundle that the GTK toolkit gives to every window.
find_program(GLIB_COMPILE_RESOURCES glib-compile-resources REQUIRED)
file(GLOB PROGRAM_ICON_PNGS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/linux/lumora-*.png)
set(bundle "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gresources>\n  <gresource prefix=\"/program/icons\">\n")
foreach(png ${PROGRAM_ICON_PNGS})
  get_filename_component(name ${png} NAME)
  string(APPEND bundle "    <file>${name}</file>\n")
endforeach()
string(APPEND bundle "  </gresource>\n</gresources>\n")
# Written only when it changes, so configuring again rebuilds nothing.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/program_icon.gresource.xml CONTENT "${bundle}" @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/program_icon.c
  COMMAND ${GLIB_COMPILE_RESOURCES} --generate-source --sourcedir=${CMAKE_SOURCE_DIR}/app/linux
          --target=${CMAKE_BINARY_DIR}/program_icon.c ${CMAKE_BINARY_DIR}/program_icon.gresource.xml
  DEPENDS ${CMAKE_BINARY_DIR}/program_icon.gresource.xml ${PROGRAM_ICON_PNGS})
foreach(program ${DESKTOP_PROGRAMS})
  target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/program_icon.c)
  target_link_libraries(${program} PRIVATE PkgConfig::GTK3)
endforeach()

# The same sizes in the icon theme, under the name the menu entries give.
foreach(png ${PROGRAM_ICON_PNGS})
  string(REGEX REPLACE ".*lumora-([0-9]+)\\.png$" "\\1" size ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME lumora-render-demo.png)
endforeach()

# The menu entries start the programs by their full name, which is known only when the
# install runs (`cmake --install --prefix` may choose another folder).
install(CODE "
  foreach(program ${DESKTOP_PROGRAMS})
    set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(${CMAKE_SOURCE_DIR}/app/linux/\${program}.desktop.in
                   ${CMAKE_BINARY_DIR}/desktop_entries/\${program}.desktop @ONLY)
    file(INSTALL ${CMAKE_BINARY_DIR}/desktop_entries/\${program}.desktop
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  endforeach()
")
