# The Windows build: the system's own libraries stand where platform/ stands on Linux,
# and the toolkit's win32/ port replaces gtk/.

enable_language(RC)
add_compile_definitions(NOMINMAX)

# What the system's code calls: Win32 and GDI, the common controls, COM and WIC,
# DirectWrite, Direct2D, Direct3D 10 and DXGI, and the multimedia timer.
add_library(platform INTERFACE)
target_link_libraries(platform INTERFACE
  d2d1 dwrite d3d10 dxgi windowscodecs ole32 uuid gdi32 user32 comctl32 winmm)

if(MINGW)
  # Each program runs on its own: no MinGW runtime DLLs beside it.
  add_link_options(-static)
endif()

# Resources of every Windows program: the manifest (DPI awareness, visual styles).
set(DEMO_WINDOWS_RESOURCES ${CMAKE_SOURCE_DIR}/app/win32/render_demo.rc)

# Adds the resources to a program; a window program starts at main() without a console.
function(demo_windows_program target)
  target_sources(${target} PRIVATE ${DEMO_WINDOWS_RESOURCES})
  if(MSVC)
    # The manifest comes from the resource script, not from the linker.
    target_link_options(${target} PRIVATE /MANIFEST:NO)
    get_target_property(window_program ${target} WIN32_EXECUTABLE)
    if(window_program)
      target_link_options(${target} PRIVATE /ENTRY:mainCRTStartup)
    endif()
  endif()
endfunction()

# Programs cross-built on Linux run through Wine: CTest starts each test program with this
# script, in a Wine prefix of the build folder (scripts/test.sh creates it once).
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_HOST_WIN32)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine_run.sh.in ${CMAKE_BINARY_DIR}/wine_run.sh @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine_run.sh)
endif()
