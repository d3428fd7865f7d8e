# What `cmake --install` puts in place, and the .deb that cpack makes of it.
#   bin/                 dext, kvbtool, dext-sample
#   lib/                 libkvb.so.1 (with kvb.h and kvb.pc, see kvb/)
#   share/dext/layouts/  the layouts of the dealership's record files
#   share/man/man1/      dext(1), kvbtool(1), dext-sample(1)
install(TARGETS dext kvbtool dext-sample RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY samples/layouts/ DESTINATION ${CMAKE_INSTALL_DATADIR}/dext/layouts
        FILES_MATCHING PATTERN "*.FID")
install(FILES samples/DEXT.DAT DESTINATION ${CMAKE_INSTALL_DATADIR}/dext)

# The installed programs find libkvb in the installed lib folder.
set_target_properties(dext PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dext)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "DEXT maintainers <dext@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "carries F&I deals into a car dealership's accounting and service records")
set(CPACK_PACKAGE_DESCRIPTION
    "dext transfers the deals of DEXT.DAT into the vehicle inventory, accounting\n\
and service customer record files; kvbtool administers the record files and\n\
dext-sample makes a sample dealership. Includes the record-file library libkvb.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps must find the package's own libkvb while it looks at dext.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/kvb)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The installed tree: programs, library with pkg-config, layouts, man pages.
add_test(NAME install.tree
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/install_test ${CMAKE_BINARY_DIR}
                 ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_LIBDIR})
# The .deb, made by a second build for installing (its own folder; about a
# minute and a half the first time).
add_test(NAME install.deb
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/deb_test ${PROJECT_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/package-build)
set_tests_properties(install.tree install.deb PROPERTIES LABELS "package;no-sanitizer")
set_tests_properties(install.deb PROPERTIES TIMEOUT 900)
