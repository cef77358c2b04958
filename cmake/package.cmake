# Packages of what `cmake --install` installs, made by `cpack` in the build folder: a .zip
# for Windows (the programs, Icons, the README and the licences of the runtime linked into
# every .exe), a Debian package for Linux that installs into /usr.

set(CPACK_PACKAGE_NAME render-demo)
set(CPACK_PACKAGE_VENDOR Lumora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lumora render demo: bouncing balls and masked layers composed through a Render API")
set(CPACK_PACKAGE_CONTACT "Lumora render demo developers")
# Debug information stays in the build; the packages carry the programs alone.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION .)
  if(MINGW)
    # libgcc, libstdc++, winpthreads and the MinGW-w64 start-up code are linked into each
    # program (-static), so their licences travel with it: GPL 3 with the GCC Runtime
    # Library Exception, and the mingw-w64 runtime's ZPL, expat and BSD terms. Debian's
    # cross compiler keeps them with its packages; elsewhere give DEMO_RUNTIME_LICENCES as
    # a list of source=name pairs.
    set(DEMO_RUNTIME_LICENCES
        "/usr/share/doc/g++-mingw-w64-x86-64-posix/copyright=gcc-runtime-libraries.txt"
        "/usr/share/common-licenses/GPL-3=GPL-3.txt"
        "/usr/share/doc/mingw-w64-x86-64-dev/copyright=mingw-w64-runtime.txt"
        CACHE STRING "Licence texts of the statically linked runtime, as source=name pairs")
    foreach(pair ${DEMO_RUNTIME_LICENCES})
      string(REPLACE "=" ";" pair "${pair}")
      list(GET pair 0 source)
      list(GET pair 1 name)
      if(EXISTS ${source})
        install(FILES ${source} DESTINATION licences RENAME ${name})
      else()
        message(WARNING "The licence ${source} of the statically linked runtime is missing: the package would lack ${name}")
      endif()
    endforeach()
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # The libraries the programs load (GTK 3, pixman, libpng, libjpeg), read from the
  # programs themselves.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
