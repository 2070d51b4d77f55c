# The Debian package of the installation laid out in cmake/Install.cmake, made by CPack
# (scripts/package.sh). Its dependencies are worked out from the programs by dpkg-shlibdeps.
set(OV_PACKAGE_MAINTAINER "Orvalen maintainers <maintainers@orvalen.invalid>"
    CACHE STRING "The Debian package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvalen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${OV_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operator console of a remote web-server log viewer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "The Orvalen console (ovclient, Spanish user interface) connects over TCP port 5998 to a log
service on a web server's machine, receives its access log and shows it three ways: the raw text,
a table of requests and a diagram of the client hosts with their country, region, city and flag.
The package also holds that log service (ovservice) with a sandboxed systemd unit, not enabled.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The console's fonts: Liberation Mono stands in for "Courier New", Wine's Tahoma for "Tahoma".
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/cmake/debian/postinst
    ${CMAKE_SOURCE_DIR}/cmake/debian/prerm ${CMAKE_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Installed into /usr below CPack's staging folder given as DESTDIR, so that the launcher, the
# desktop entry and the unit, made at install time, name /usr and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
