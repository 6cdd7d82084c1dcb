# The Debian package: `cpack -G DEB` in the build folder makes kodamonitor_<version>_<arch>.deb
# with the program, koda-sim, the desktop entry, the icons, the AppStream metainfo and the
# manual pages. Library dependencies come from the binaries (dpkg-shlibdeps); what the
# program needs at run time without linking it is listed by hand.

# Manual pages and the Debian changelog are installed compressed, as Debian's policy asks.
find_program(KODA_GZIP gzip REQUIRED)
set(koda_compressed)
foreach(page KodaMonitor.1 koda-sim.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${KODA_GZIP} -9nc ${CMAKE_SOURCE_DIR}/resources/man/${page}
                > ${CMAKE_BINARY_DIR}/man/${page}.gz
        DEPENDS ${CMAKE_SOURCE_DIR}/resources/man/${page})
    list(APPEND koda_compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION share/man/man1)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND ${KODA_GZIP} -9nc ${CMAKE_SOURCE_DIR}/resources/debian/changelog.Debian
            > ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/debian/changelog.Debian)
list(APPEND koda_compressed ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz)
add_custom_target(koda_compressed_docs ALL DEPENDS ${koda_compressed})

set(koda_docdir share/doc/kodamonitor)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz DESTINATION ${koda_docdir})
install(FILES ${CMAKE_SOURCE_DIR}/resources/debian/copyright DESTINATION ${koda_docdir})
install(FILES ${CMAKE_SOURCE_DIR}/resources/kodamonitor.metainfo.xml
        DESTINATION share/metainfo RENAME example.koda_monitor.KodaMonitor.metainfo.xml)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kodamonitor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "KODA Monitor developers")
set(CPACK_PACKAGE_CONTACT "KODA Monitor developers <developers@koda-monitor.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.koda-monitor.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins, its SQLite driver (the logbook), its Japanese texts, the Japanese
# font and the mail hand-off are loaded or started at run time, so dpkg-shlibdeps cannot see
# them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6sql6-sqlite, qt6-translations-l10n, fonts-noto-cjk, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"communication monitor for RIN-KODA lap timers and the Q-KODA fuel meter
KODA Monitor talks over a serial port, by cable or by radio, to the RIN-KODA
lap timers RK-12 and RK-13 and to the Q-KODA fuel meter QK-11. It reads the
laps stored in the lap timer and shows them in a grid and a chart, shows live
laps and fuel readings, reads and writes the lap timer's settings, saves laps
as CSV files and logs fuel readings.
.
The package also holds koda-sim, a simulator of the instruments on a
pseudo-terminal.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Only the program's own components go into the package, not test or benchmark binaries.
include(CPack)
