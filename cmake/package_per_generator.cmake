# Read by CPack for each generator: the .deb installs under /usr, the tarball keeps relative paths.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_SET_DESTDIR OFF)
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
endif()
