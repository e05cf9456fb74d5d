# The Debian package (scripts/package.sh): configured with -DVELLORAN_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr.
#
#   PREFIX/lib/velloran/velloran, data      the programs (data stays data: the main window starts it by that name)
#   PREFIX/bin/velloran, velloran-data      links to them, on the PATH
#   PREFIX/share/velloran/help.html, help/  the manual, opened from here
#   PREFIX/share/velloran/template/         a new program directory: call.mdb, qh.mdb, set.ini, zzz, modal/, photo/
#   PREFIX/share/applications, metainfo, icons/hicolor, man/man1, doc/velloran
#
# Everything there is read-only; each person's data goes to ~/Velloran, which the program lays out from the
# template at its first start (platform::ProgramHome). The package writes nothing anywhere else.
set(VELLORAN_APP_ID "example.tarsiwen.velloran")
set(_share "share/velloran")
set(_gen "${CMAKE_BINARY_DIR}/generated")
set(_pkg "${CMAKE_BINARY_DIR}/package-files")
file(MAKE_DIRECTORY "${_pkg}")

install(TARGETS velloran data RUNTIME DESTINATION lib/velloran)
# Stripped as Debian strips its own programs: no symbols, no compiler notes.
install(CODE "
    foreach(_program velloran data)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note --strip-unneeded
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/velloran/\${_program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()")
foreach(_link velloran:velloran velloran-data:data)
    string(REPLACE ":" ";" _link "${_link}")
    list(GET _link 0 _name)
    list(GET _link 1 _target)
    file(CREATE_LINK "../lib/velloran/${_target}" "${_pkg}/${_name}" SYMBOLIC)
    install(FILES "${_pkg}/${_name}" DESTINATION bin)
endforeach()

install(FILES "${PROJECT_SOURCE_DIR}/docs/help.html" DESTINATION "${_share}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/help/" DESTINATION "${_share}/help" FILES_MATCHING PATTERN "*.png")

file(TOUCH "${_pkg}/zzz")
install(FILES "${_gen}/call.mdb" "${_gen}/qh.mdb" "${PROJECT_SOURCE_DIR}/data/set.ini" "${_pkg}/zzz"
        DESTINATION "${_share}/template")
install(FILES "${PROJECT_SOURCE_DIR}/data/modal/set.ini" DESTINATION "${_share}/template/modal")
install(FILES "${_gen}/no.bmp" DESTINATION "${_share}/template/photo")

# Desktop integration: the menu entry, the software centre's description, the icon drawn in the theme's sizes.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/${VELLORAN_APP_ID}.desktop" DESTINATION share/applications)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/${VELLORAN_APP_ID}.metainfo.xml" DESTINATION share/metainfo)
set(_icon "${PROJECT_SOURCE_DIR}/resources/app/velloran.svg")
install(FILES "${_icon}" DESTINATION share/icons/hicolor/scalable/apps)
set(_pngs)
foreach(_size 16 22 24 32 48 64 128 256)
    set(_png "${_pkg}/icons/${_size}/velloran.png")
    add_custom_command(OUTPUT "${_png}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${_pkg}/icons/${_size}"
        COMMAND mkdata icon "${_icon}" ${_size} "${_png}"
        DEPENDS mkdata "${_icon}"
        COMMENT "Drawing the icon at ${_size} pixels")
    list(APPEND _pngs "${_png}")
    install(FILES "${_png}" DESTINATION "share/icons/hicolor/${_size}x${_size}/apps")
endforeach()

# Manual pages and the changelog, compressed as Debian wants them (gzip -9n: no name, no time stamp).
find_program(VELLORAN_GZIP gzip REQUIRED)
set(_compressed)
foreach(_doc "man/velloran.1:share/man/man1" "man/velloran-data.1:share/man/man1" "changelog:share/doc/velloran")
    string(REPLACE ":" ";" _doc "${_doc}")
    list(GET _doc 0 _source)
    list(GET _doc 1 _destination)
    get_filename_component(_name "${_source}" NAME)
    set(_gz "${_pkg}/${_name}.gz")
    add_custom_command(OUTPUT "${_gz}"
        COMMAND ${VELLORAN_GZIP} -9nc "${PROJECT_SOURCE_DIR}/packaging/${_source}" > "${_gz}"
        DEPENDS "${PROJECT_SOURCE_DIR}/packaging/${_source}"
        COMMENT "Compressing ${_name}")
    list(APPEND _compressed "${_gz}")
    install(FILES "${_gz}" DESTINATION "${_destination}")
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION share/doc/velloran)
add_custom_target(package_files ALL DEPENDS ${_pngs} ${_compressed})

# What the program needs at run time that linking does not show: Qt's SQLite driver, the Chinese standard buttons,
# the SVG icon engine, the 宋体-like font. dpkg-shlibdeps adds the linked libraries.
set(VELLORAN_RUNTIME_PACKAGES libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n libqt6svg6 fonts-arphic-uming)
list(JOIN VELLORAN_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Opening the manual and web pages in the desktop's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velloran)
set(CPACK_PACKAGE_VENDOR "Tarsiwen")
set(CPACK_PACKAGE_CONTACT "Tarsiwen <velloran@tarsiwen.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tarsiwen.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "telephone book for contacts, birthdays and area codes")
# Lines of at most 79 characters; no semicolons (a CMake list would swallow them).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velloran keeps one person's or one office's contacts: lists, searches (also\n"
    "by pinyin initials), birthday reminders, a notes pad, domestic area codes,\n"
    "vCard and CSV import and export, optional users with passwords, and daily\n"
    "backups. The user interface is in Simplified Chinese.\n"
    "\n"
    "Each person's contacts and settings live in ~/Velloran, laid out at the\n"
    "first start. velloran-data backs them up and restores them.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Directories 0755 as Debian wants them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
