# What `cmake --install` puts where: the three programs in bin/, the component libraries in lib/
# with their headers under include/karvell/ and a CMake package (find_package(Karvell) gives
# Karvell::Core, Karvell::Data, Karvell::Widgets), desktop entries, the template MIME type,
# icons, AppStream metainfo and manual pages; and a `cpack -G DEB` package of it all.
# Component "Runtime" is what running the programs needs (the user's desktop set-up installs
# only it); "Development" adds headers, the link names and the CMake package.
include(CMakePackageConfigHelpers)

set(KARVELL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Karvell)

install(TARGETS karvell danmere karvell-editor
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(TARGETS karvell_core karvell_data karvell_widgets EXPORT KarvellTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime
                NAMELINK_COMPONENT Development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
# Headers keep the folders they are included with ("runtime/dataset.h", "adoquery.h").
foreach(dir src/core src/data src/widgets)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/karvell
            COMPONENT Development FILES_MATCHING PATTERN "*.h")
endforeach()

install(EXPORT KarvellTargets NAMESPACE Karvell:: DESTINATION ${KARVELL_CMAKE_DIR}
        COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KarvellConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/KarvellConfig.cmake
                              INSTALL_DESTINATION ${KARVELL_CMAKE_DIR})
# 0.x versions: a new minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KarvellConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KarvellConfig.cmake
              ${PROJECT_BINARY_DIR}/KarvellConfigVersion.cmake
        DESTINATION ${KARVELL_CMAKE_DIR} COMPONENT Development)

# Desktop entries name the installed program by its full path, known only at install time
# (`cmake --install --prefix` may choose another prefix than the configured one).
install(CODE "
    foreach(app danmere karvell-editor)
        file(READ \"${PROJECT_SOURCE_DIR}/apps/\${app}/\${app}.desktop.in\" text)
        string(REPLACE \"@EXEC@\" \"\\\"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${app}\\\"\"
               text \"\${text}\")
        file(WRITE \"${PROJECT_BINARY_DIR}/desktop/\${app}.desktop\" \"\${text}\")
        file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
             TYPE FILE FILES \"${PROJECT_BINARY_DIR}/desktop/\${app}.desktop\")
    endforeach()" COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/apps/karvell-editor/karvell-template.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/karvell.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT Runtime)
foreach(size 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/karvell-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME karvell.png COMPONENT Runtime)
endforeach()
# Manual pages are installed compressed, as Debian has them.
set(KARVELL_MAN_PAGES)
foreach(page karvell danmere karvell-editor)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.1.gz
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
                       COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/man/${page}.1
                               > ${PROJECT_BINARY_DIR}/man/${page}.1.gz
                       DEPENDS ${PROJECT_SOURCE_DIR}/data/man/${page}.1 VERBATIM)
    list(APPEND KARVELL_MAN_PAGES ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(karvell_man_pages ALL DEPENDS ${KARVELL_MAN_PAGES})
install(FILES ${KARVELL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/data/metainfo/org.karvell.Danmere.metainfo.xml
              ${PROJECT_SOURCE_DIR}/data/metainfo/org.karvell.KarvellEditor.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Runtime)

# `cpack -G DEB` in the build folder: one package with everything installed above. A build
# configured with -DCMAKE_INSTALL_PREFIX=/usr puts the libraries in Debian's multiarch folder;
# any other build gives the same package with the libraries in /usr/lib (the search paths the
# programs carry for other prefixes are removed from the package's files, as Debian wants).
# Dependencies are computed from the programs and libraries by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME karvell)
set(CPACK_PACKAGE_VENDOR "Karvell")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "voucher print layout and report templates (Qt 6)")
set(KARVELL_DEB_MAINTAINER "Karvell developers <karvell-devel@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
# Build folders configured before kept a local address, which Debian's tools reject.
if(KARVELL_DEB_MAINTAINER MATCHES "@localhost>$")
    set(KARVELL_DEB_MAINTAINER "Karvell developers <karvell-devel@example.org>"
        CACHE STRING "Maintainer field of the Debian package" FORCE)
endif()
set(CPACK_PACKAGE_CONTACT "${KARVELL_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lays out and prints accounting vouchers on a table-report component
 of its own: the designer danmere, the template editor karvell-editor, the
 headless tool karvell, the component's shared libraries, headers and CMake
 package for other programs, and the Python module karvell.")
set(CPACK_STRIP_FILES ON)
# The shared libraries need the linker cache refreshed.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/deb/triggers)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install runs with DESTDIR, so paths written at install time (desktop entries) are /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/KarvellDebStage.cmake)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(KARVELL_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src/core
    ${PROJECT_BINARY_DIR}/src/data ${PROJECT_BINARY_DIR}/src/widgets)
# Plug-ins and fonts that Qt loads at run time, which no library dependency shows; the Python
# module's interpreter.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-odbc, fonts-arphic-uming")
if(TARGET karvell_python)
    # The module is built for one Python version (python3.11 in Debian 12).
    math(EXPR next_minor "${KARVELL_PYTHON_MINOR} + 1")
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", python3 (>= ${KARVELL_PYTHON_MAJOR}."
           "${KARVELL_PYTHON_MINOR}~), python3 (<< ${KARVELL_PYTHON_MAJOR}.${next_minor})")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqliteodbc, qt6-translations-l10n, poppler-utils")

# Debian's copyright file and changelog, under the package's name.
set(KARVELL_DEB_DOC ${CMAKE_INSTALL_DATADIR}/doc/karvell)
configure_file(${PROJECT_SOURCE_DIR}/data/deb/changelog.in ${PROJECT_BINARY_DIR}/deb/changelog.Debian
               @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz
                   COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/deb/changelog.Debian
                           > ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz
                   DEPENDS ${PROJECT_BINARY_DIR}/deb/changelog.Debian VERBATIM)
add_custom_target(karvell_deb_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/deb/copyright ${PROJECT_BINARY_DIR}/deb/changelog.Debian.gz
        DESTINATION ${KARVELL_DEB_DOC} COMPONENT Runtime)
include(CPack)
