# The release packages, made by CPack from the install rules:
#   Linux:   cmake --build --preset release --target package
#            -> keloscroll_21.0_<arch>.deb and KeloScroll-21.0-Linux.tar.gz
#   Windows: scripts/package (both bitnesses in one KeloScroll-21.0-windows.zip)
# The .deb installs under /usr; the tarball unpacks to bin/, include/, lib/, share/ (every path
# inside is relative, so it works wherever it is unpacked).
set(CPACK_PACKAGE_NAME KeloScroll)
set(CPACK_PACKAGE_VENDOR "KeloScroll developers")
set(CPACK_PACKAGE_CONTACT "KeloScroll developers <keloscroll@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "KeloScroll is a scroll-bar control whose value is the thumb's place on a track scaled so that one unit is one position. Every piece shows a picture of the host's choosing, the end buttons repeat while held, and while the user moves the bar the control asks the host for a text describing the current position and shows it in a tooltip box beside the bar. This package holds the C++20 library (shared and static), its headers, CMake package and pkg-config file, the component library libKeloScroll.so, the demo keloscroll-demo and the scenario runner keloscroll-run, with their manual pages and the documents.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES OFF)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows)
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_DEBIAN_PACKAGE_NAME keloscroll)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # The run-time dependencies come from the libraries the shared objects link (dpkg-shlibdeps);
  # a program built against the headers and static libraries needs their development files.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libkeloscroll.so.21, which the programs and the component library link, is the package's own.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/cmake)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "libcairo2-dev, libfontconfig-dev, libfreetype-dev, libpng-dev, libjpeg-dev, libgif-dev, libsdl2-dev, pkgconf | pkg-config")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake (>= 3.25)")
  # The .deb under /usr, the tarball relative; set per generator as CPack runs.
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_per_generator.cmake)
endif()
include(CPack)
