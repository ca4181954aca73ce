# The Debian package: install rules and CPack settings.
#   cmake --build build --target package    ->  build/plxreader_<version>_<arch>.deb
# Included by the top-level CMakeLists.txt after the plxreader and plx targets exist.
# tools/check-package.sh builds and checks the package.

# A sanitizer build is for the tests only: it is never packaged.
if(PLX_SANITIZE)
    return()
endif()

include(GNUInstallDirs)

set(PLX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(PLX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/plxreader)

# ---------------------------------------------------------------------------------------
# What is installed (under /usr in the package)

install(TARGETS plxreader plx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PLX_PACKAGING_DIR}/plxreader.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${PLX_PACKAGING_DIR}/plxreader.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

# The user guide, pages and pictures, as the build assembled it; the client looks for it in
# ../share/plxreader/guide beside its binary.
install(DIRECTORY ${PLX_GUIDE_BUILD_DIR}/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/plxreader/guide
        PATTERN pages.stamp EXCLUDE)

# The demo network's data is compiled into the programs (src/run/demonetwork.qrc), so
# nothing of it is installed but its description and licence.
install(FILES ${PLX_PACKAGING_DIR}/copyright DESTINATION ${PLX_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/run/demo/README.md DESTINATION ${PLX_DOC_DIR}/demo)

# Debian policy wants a compressed changelog beside the copyright file.
string(TIMESTAMP PLX_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(PLX_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.Debian)
file(WRITE ${PLX_CHANGELOG}
     "plxreader (${PROJECT_VERSION}) stable; urgency=medium\n\n"
     "  * Paquet construit par CPack depuis les sources de PLXReader ${PROJECT_VERSION}.\n\n"
     " -- Équipe PLXReader <plxreader@velmora.fr>  ${PLX_PACKAGE_DATE}\n")
execute_process(COMMAND gzip -9 -n -f ${PLX_CHANGELOG} RESULT_VARIABLE gzip_result)
if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip of ${PLX_CHANGELOG} failed")
endif()
install(FILES ${PLX_CHANGELOG}.gz DESTINATION ${PLX_DOC_DIR})

# ---------------------------------------------------------------------------------------
# The package

find_program(PLX_DPKG dpkg)
if(PLX_DPKG)
    execute_process(COMMAND ${PLX_DPKG} --print-architecture
                    OUTPUT_VARIABLE PLX_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plxreader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR VELMORA)
set(CPACK_PACKAGE_CONTACT "Équipe PLXReader <plxreader@velmora.fr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gestion d'un réseau de pluviomètres")
set(CPACK_PACKAGE_DESCRIPTION
    "PLXReader gère un réseau de pluviomètres : registre des stations, séries de\n"
    "mesures, validation, calendrier des périodes, graphiques et sorties bureautiques.\n"
    "La base est un fichier SQLite local, un fichier Access (copié dans un fichier\n"
    "SQLite de travail), un serveur PostgreSQL ou un serveur Oracle (ODBC).\n"
    "\n"
    "Le paquet fournit le client graphique plxreader et l'outil en ligne de commande\n"
    "plx. Un réseau de démonstration (données publiques de Météo-France) est compris\n"
    "dans les programmes.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # plxreader_6.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(PLX_DEB_ARCH)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${PLX_DEB_ARCH})
endif()
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# The libraries the programs link (Qt 6, libpq, libmdb, QuaZip, SQLite...) come from
# dpkg-shlibdeps (package dpkg-dev). What it cannot see is added by hand: the Qt SQL
# plugin loaded at run time (QODBC, src/db/odbcengine.cpp; SQLite is linked directly)
# and unixODBC behind it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-odbc, libodbc2")
# PostgreSQL's ODBC driver, unixODBC's tools to declare a DSN (the "DNS" profiles), and
# Qt's own French texts ("Annuler", "Oui"... in Qt's dialogs).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql, unixodbc, qt6-translations-l10n")
# The office outputs open in LibreOffice.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "libreoffice-calc-nogui | libreoffice-calc, libreoffice-writer-nogui | libreoffice-writer")

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)
