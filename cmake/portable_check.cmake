# Compiles every portable source of the system against the real Windows SDK headers of
# MinGW-w64. libpng and libjpeg have no MinGW packages on Debian, so their (portable)
# headers are borrowed from the host through a folder that holds only them.
set(codec_headers ${CMAKE_BINARY_DIR}/codec_headers)
file(MAKE_DIRECTORY ${codec_headers})
foreach(header png.h pngconf.h pnglibconf.h zlib.h zconf.h jpeglib.h jmorecfg.h jerror.h)
  file(CREATE_LINK /usr/include/${header} ${codec_headers}/${header} SYMBOLIC)
endforeach()
file(CREATE_LINK /usr/include/x86_64-linux-gnu/jconfig.h ${codec_headers}/jconfig.h SYMBOLIC)

file(GLOB PORTABLE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*.cpp
  ${CMAKE_SOURCE_DIR}/render/*.cpp
  ${CMAKE_SOURCE_DIR}/backend_d2d/*.cpp
  ${CMAKE_SOURCE_DIR}/toolkit/*.cpp)
add_library(portable_check OBJECT ${PORTABLE_SOURCES})
target_include_directories(portable_check PRIVATE
  ${CMAKE_SOURCE_DIR}/app ${CMAKE_SOURCE_DIR}/render ${CMAKE_SOURCE_DIR}/backend_d2d
  ${CMAKE_SOURCE_DIR}/toolkit)
target_include_directories(portable_check SYSTEM PRIVATE ${codec_headers})
