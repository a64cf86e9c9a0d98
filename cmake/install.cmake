# Installing Varnok (cmake --install build --prefix PREFIX) and its Debian
# package (scripts/package, through CPack).
#
# The program finds what it reads at run time from its own folder, never from
# a path compiled in: the layout in ../share/varnok and the PDF manual in
# ../share/doc/varnok (beside the program first, as in the build tree). The
# user guide is compiled in. So the installed tree may be moved as a whole.
if(NOT VARNOK_WITH_QT)
  return()
endif()

include(GNUInstallDirs)
set(VARNOK_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
# Debian wants manual pages and the changelog compressed, without a time
# stamp so that the same sources give the same package.
find_program(VARNOK_GZIP gzip REQUIRED)
set(VARNOK_COMPRESSED "")
foreach(file varnok.1 changelog)
  set(out ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy ${VARNOK_PACKAGING}/${file} ${CMAKE_BINARY_DIR}/packaging/${file}
    COMMAND ${VARNOK_GZIP} -9nf ${CMAKE_BINARY_DIR}/packaging/${file}
    DEPENDS ${VARNOK_PACKAGING}/${file}
    COMMENT "Compressing ${file}"
    VERBATIM)
  list(APPEND VARNOK_COMPRESSED ${out})
endforeach()
add_custom_target(varnok_compressed_docs ALL DEPENDS ${VARNOK_COMPRESSED})

install(TARGETS varnok RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/layout/Varnok6p.ui DESTINATION ${CMAKE_INSTALL_DATADIR}/varnok)
# The guide as the window shows it, with its pictures, and printed.
file(STRINGS ${CMAKE_SOURCE_DIR}/docs/guide.qrc VARNOK_GUIDE_FILES REGEX "<file>")
list(TRANSFORM VARNOK_GUIDE_FILES REPLACE ".*<file>(.*)</file>.*" "${CMAKE_SOURCE_DIR}/docs/\\1")
install(FILES ${VARNOK_GUIDE_FILES} ${CMAKE_BINARY_DIR}/VarnokMan.pdf
              ${VARNOK_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The help texts name the practice files of the examples folder.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES ${VARNOK_PACKAGING}/varnok.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VARNOK_PACKAGING}/varnok.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${VARNOK_PACKAGING}/varnok-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME varnok.xml)
install(FILES ${VARNOK_PACKAGING}/org.varnok.Varnok.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/packaging/varnok.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The fast suite's check of all of the above: a staged install, moved, run
# from another folder (tests/install/staged_install.sh).
add_test(NAME install.AStagedInstallRunsFromAnyFolderAndPassesTheValidators
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/staged_install.sh ${CMAKE_BINARY_DIR})

# The Debian package (scripts/package builds it into build/package/). Its
# dependencies are those of the shared libraries the program links, found by
# dpkg-shlibdeps, and the font every picture is measured and drawn in.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnok)
set(CPACK_PACKAGE_VENDOR "The Varnok developers")
set(CPACK_PACKAGE_CONTACT "Varnok maintainers <maintainers@users.noreply.c-seed-81f462f7.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "geometric morphometrics of two-dimensional landmarks")
# The synopsis is the summary; CPack indents the lines and marks the empty one.
set(CPACK_PACKAGE_DESCRIPTION
    "Varnok compares the shapes of specimens from the x,y coordinates of their
landmarks. It superimposes them (Procrustes, baseline, sliding baseline or
resistant fit), turns each shape into partial-warp and uniform scores of a
thin-plate spline and runs a principal component analysis.

Score plots, superimposed landmarks, deformation grids, vector fields and
contour maps show the results; permutation tests of group differences and
allometry, canonical variates and outliers test them. It reads plain
landmark files, TPS and NTS files, and session scripts that replay an
analysis in the window or without one.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
