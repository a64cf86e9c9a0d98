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
