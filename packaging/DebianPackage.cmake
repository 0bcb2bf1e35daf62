# The Debian package of both programs: cpack -G DEB in the build folder (./run.sh package) makes
# importassistent_<version>_<architecture>.deb of what the install rules put in place.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME importassistent)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velra)
set(CPACK_PACKAGE_CONTACT "Velra <support@velra.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The first line of the package's description; the lines below follow it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stammdaten in eine Firma der Velra-Suite importieren")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Der Importassistent bringt Stammdaten (Kunden, Lieferanten, Artikel,\n\
Lagerbestände, Preise, Webshop-Daten, Konten) aus Excel-, dBase-, Access-\n\
und CSV-Dateien in die Datenbank einer Firma: als Fenster (importassistent)\n\
und auf der Befehlszeile (importassistent-cli).")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's dialogs in German, and the drivers for server companies on PostgreSQL and SQL
# Server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, odbc-postgresql, tdsodbc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
