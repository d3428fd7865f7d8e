# What `cmake --install` puts in place. Each install component is one of the
# Debian packages that packaging/make_debs makes (cmake --install --component):
#   libkvb1     lib/libkvb.so.1                 the shared library
#   libkvb-dev  include/kvb.h, lib/libkvb.so, lib/pkgconfig/kvb.pc
#   dext-tools  bin/kvbtool, bin/dext-sample, share/dext/ (the layouts of the
#               dealership's record files, a sample deal file), their pages
#   dext        bin/dext, dext(1), its desktop entry and icon
# The man pages are installed by man/CMakeLists.txt.
install(TARGETS kvb LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT libkvb1 NAMELINK_COMPONENT libkvb-dev)
install(FILES kvb/include/kvb.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT libkvb-dev)
install(FILES ${PROJECT_BINARY_DIR}/kvb/kvb.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT libkvb-dev)

install(TARGETS kvbtool dext-sample RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT dext-tools)
install(DIRECTORY samples/layouts/ DESTINATION ${CMAKE_INSTALL_DATADIR}/dext/layouts
        COMPONENT dext-tools FILES_MATCHING PATTERN "*.FID")
install(FILES samples/DEXT.DAT DESTINATION ${CMAKE_INSTALL_DATADIR}/dext COMPONENT dext-tools)

install(TARGETS dext RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dext)
install(FILES packaging/dext.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT dext)
install(FILES packaging/dext.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT dext)

# dext finds libkvb in the build tree through a RUNPATH relative to itself,
# the same one it is linked with: CMake's own way (an absolute RUNPATH,
# rewritten when installed) leaves an empty entry at its end, which the
# loader reads as the current directory. The installed dext has no RUNPATH: it
# finds libkvb where the system looks for libraries (after ldconfig under
# /usr/local; through LD_LIBRARY_PATH under a prefix of your own).
file(RELATIVE_PATH dext_to_kvb ${PROJECT_BINARY_DIR}/app ${PROJECT_BINARY_DIR}/kvb)
set_target_properties(dext PROPERTIES BUILD_WITH_INSTALL_RPATH ON
                                      INSTALL_RPATH "$ORIGIN/${dext_to_kvb}")
install(CODE "file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dext\")"
        COMPONENT dext)

if(NOT BUILD_TESTING)
  dext_build_only(dext kvbtool dext-sample kvb)
  return()
endif()
add_dependencies(tests dext kvbtool dext-sample kvb)

# The installed tree: programs, library with pkg-config, layouts, man pages.
add_test(NAME install.tree
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/install_test ${CMAKE_BINARY_DIR}
                 ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_LIBDIR})
# The programs of the build tree find their libraries without an empty entry
# (the current directory) in their search path.
add_test(NAME install.runpath
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/runpath_test $<TARGET_FILE:dext>
                 $<TARGET_FILE:kvbtool> $<TARGET_FILE:dext-sample> $<TARGET_FILE:kvb>)
# The Debian packages, made by a build of their own (packaging/make_debs) in
# ${CMAKE_BINARY_DIR}/package-build, and checked with lintian.
add_test(NAME install.deb
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/deb_test ${PROJECT_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/package-build)
# scripts/setup waits while another program installs packages (as root only).
add_test(NAME setup.waits_for_the_package_manager
         COMMAND ${PROJECT_SOURCE_DIR}/packaging/setup_lock_test ${PROJECT_SOURCE_DIR})
set_tests_properties(setup.waits_for_the_package_manager PROPERTIES SKIP_RETURN_CODE 77)
set_tests_properties(install.tree install.deb install.runpath setup.waits_for_the_package_manager
                     PROPERTIES LABELS "package;no-sanitizer")
set_tests_properties(install.deb PROPERTIES TIMEOUT 900)
