# The Debian package: cpack -G DEB in a build folder configured with
# CMAKE_INSTALL_PREFIX=/usr (scripts/package.sh does both).

set(SORVANE_MAINTAINER "The Sorvane developers <sorvane@example.org>")
set(SORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/sorvane)

# Debian's copyright file is the licence in its machine-readable form; the
# changelog is required of every package, compressed like the manual pages.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${SORVANE_DOC_DIR})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SORVANE_MAINTAINER})
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
    ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
sorvane_gzip_file(${CMAKE_BINARY_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_target(sorvane_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SORVANE_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorvane)
set(CPACK_PACKAGE_VENDOR "The Sorvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browsable history of domains' traffic-ranking figures")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sorvane keeps a list of internet domains, asks a ranking service for each\n"
    "domain's traffic-ranking figures and keeps every answer in a history that\n"
    "can be browsed by month and day, narrowed to one domain and exported as a\n"
    "CSV file.\n"
    "\n"
    "The package also holds sorvane-rankd, a local ranking service that serves\n"
    "the figures from a folder of daily top-sites lists.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SORVANE_HOMEPAGE})
# Dependencies are read from the binaries, never written by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
