# A Debian package of everything `cmake --install` puts under the prefix: `cpack -G DEB` in the build folder
# writes grocelle_<version>_<arch>.deb. The libraries it needs are found by dpkg-shlibdeps from the program
# itself, so the package depends on exactly the Qt, SQLite, ICU and libzip packages it was built against.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME grocelle)
set(CPACK_PACKAGE_VENDOR "Grocelle developers")
set(CPACK_PACKAGE_CONTACT "Grocelle developers <maintainers@grocelle.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "grocery planner with priced shopping lists per shop")
set(CPACK_PACKAGE_DESCRIPTION
    "Grocelle plans grocery shopping at home. It keeps a catalogue of categories,
product types, shops and the items each shop sells; you mark how many of each
to buy and get a priced shopping list per shop in the order you walk the shop's
aisles. A price optimizer finds the cheapest items or the cheapest combination
of shops.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Programs and plug-ins no library links to: a damaged table file is salvaged by the sqlite3 program's
# recovery, and the help window reads its collection through Qt's SQLite driver.
set(CPACK_DEBIAN_PACKAGE_DEPENDS sqlite3)
if(TARGET Qt6::Help)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, libqt6sql6-sqlite")
endif()

include(CPack)
