# The Debian package: cpack in a build folder makes kelvara_<version>_amd64.deb with the program in
# /usr/bin, its desktop entry, icon, AppStream metadata, manual page, copyright and changelog, and
# the key service with its systemd units and sysusers entry.
# Dependencies are worked out from the binary by dpkg-shlibdeps.

include(GNUInstallDirs)

set(packaging ${PROJECT_SOURCE_DIR}/resources/packaging)
set(packaged ${PROJECT_BINARY_DIR}/packaging)
# Debian wants the manual page and the changelog compressed, without a timestamp.
foreach(page kelvara.1 changelog)
    add_custom_command(OUTPUT ${packaged}/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaged}
        COMMAND gzip -9 -n -c ${packaging}/${page} > ${packaged}/${page}.gz
        DEPENDS ${packaging}/${page}
        VERBATIM)
endforeach()
add_custom_target(kelvara_packaging ALL
    DEPENDS ${packaged}/kelvara.1.gz ${packaged}/changelog.gz)

install(FILES ${packaging}/kelvara.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME org.kelvara.Kelvara.metainfo.xml)
install(FILES ${packaged}/kelvara.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${packaged}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvara)
# The key service: started by its socket, as a user of its own.
install(FILES ${packaging}/kelvara-keyservice.socket ${packaging}/kelvara-keyservice.service
        DESTINATION /lib/systemd/system)
install(FILES ${packaging}/kelvara-keyservice.sysusers
        DESTINATION lib/sysusers.d RENAME kelvara-keyservice.conf)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "The Kelvara developers <developers@kelvara.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ripples of light around every key you press")
# CPack puts the summary first, indents each line and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kelvara turns typing into light. Every key press, in any program, sets off
a wave of up to five rings that grow and fade around the key on a per-key
RGB keyboard. The colour under each key of the keyboard picture in its window
goes to that key's light through an OpenRGB SDK server.

It runs in the tray, can start hidden at login, and sees the keys of other
programs through the kernel's input devices or the X server.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The emoji of the help alert's paragraphs, and Qt's X11 platform plugin, which the binary does
# not link and dpkg-shlibdeps therefore cannot see; systemd-sysusers and deb-systemd-helper for
# the key service's user and socket.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, systemd, init-system-helpers (>= 1.54~)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${packaging}/postinst ${packaging}/prerm ${packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
