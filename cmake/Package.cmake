# `cpack -G DEB` in the build folder: one Debian package "tollmere" of everything
# `cmake --install` puts under the prefix (libraries, headers, pkg-config files, tollmere-cli
# and its manual page, the desktop program with whatever desktop entry and icons it
# installs), installed under /usr. The dependencies are found by dpkg-shlibdeps from the
# libraries the programs and libraries link.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tollmere RENAME copyright)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tollmere)

set(TOLLMERE_PACKAGE_MAINTAINER "The Tollmere developers" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tollmere)
set(CPACK_PACKAGE_VENDOR "The Tollmere developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TOLLMERE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converts raw GNSS receiver static recordings to RINEX")
# Wrapped for the package control file (each line becomes a continuation line).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tollmere turns the raw static recordings of GNSS survey receivers (OEM binary\n"
    "logs, RTCM 3, u-blox UBX, Trimble RT17/RT27, Hemisphere, BINEX and MULX behind\n"
    "a static header) into RINEX 2.10 and 3.02 observation and navigation files.\n"
    "The package holds the conversion library libkestrin and the positioning library\n"
    "libbaldorn with their headers and pkg-config files, the command-line program\n"
    "tollmere-cli and the desktop program tollmere.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install rules see the final prefix (/usr) and stage under DESTDIR, so the pkg-config
# files name /usr and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
if(TARGET tollmere)
    # The desktop program needs a Qt platform plugin to open its window.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-qpa-plugins)
endif()
include(CPack)
