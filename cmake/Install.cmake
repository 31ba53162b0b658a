# What `cmake --install` puts where (GNU layout under any prefix): the player,
# its desktop entry, icons, AppStream metainfo and a MIME package for the
# suffixes the system's MIME database does not know. Fonts and icons used
# inside the player are compiled into it, and the engine is a system library,
# so nothing else is needed at run time.
include(GNUInstallDirs)

# Installing and packing (CPack's "preinstall") take what is built and do not
# build every test and benchmark first; build the player, then install.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(ZORVI_RELEASE_DATE "2026-12-08" CACHE STRING "Release date of this version (YYYY-MM-DD)")
set(ZORVI_ICON_SIZES 16 22 24 32 48 64 128 256 512)

add_subdirectory(${CMAKE_SOURCE_DIR}/tools/desktopfiles ${CMAKE_BINARY_DIR}/tools/desktopfiles)

set(ZORVI_DESKTOP_DIR ${CMAKE_BINARY_DIR}/desktop)
set(ZORVI_LOGO ${CMAKE_SOURCE_DIR}/resources/icons/zorvi-player.svg)
set(ZORVI_DESKTOP_ENTRY_IN ${CMAKE_SOURCE_DIR}/resources/linux/zorvi-player.desktop.in)

set(ZORVI_ICON_PNGS "")
foreach(size ${ZORVI_ICON_SIZES})
    list(APPEND ZORVI_ICON_PNGS ${ZORVI_DESKTOP_DIR}/icons/hicolor/${size}x${size}/apps/zorvi-player.png)
endforeach()

add_custom_command(
    OUTPUT ${ZORVI_ICON_PNGS}
    COMMAND zorvi-desktopfiles icons ${ZORVI_LOGO} ${ZORVI_DESKTOP_DIR}/icons/hicolor
            ${ZORVI_ICON_SIZES}
    DEPENDS zorvi-desktopfiles ${ZORVI_LOGO}
    COMMENT "Rendering the application icon")
add_custom_command(
    OUTPUT ${ZORVI_DESKTOP_DIR}/zorvi-player.desktop
    COMMAND zorvi-desktopfiles desktop-entry ${ZORVI_DESKTOP_ENTRY_IN}
            ${ZORVI_DESKTOP_DIR}/zorvi-player.desktop
    DEPENDS zorvi-desktopfiles ${ZORVI_DESKTOP_ENTRY_IN}
    COMMENT "Writing the desktop entry")
add_custom_command(
    OUTPUT ${ZORVI_DESKTOP_DIR}/zorvi-player-mime.xml
    COMMAND zorvi-desktopfiles mime-package ${ZORVI_DESKTOP_DIR}/zorvi-player-mime.xml
    DEPENDS zorvi-desktopfiles
    COMMENT "Writing the MIME package")
configure_file(${CMAKE_SOURCE_DIR}/resources/linux/zorvi-player.metainfo.xml.in
               ${ZORVI_DESKTOP_DIR}/zorvi-player.metainfo.xml @ONLY)
add_custom_target(zorvi-desktop-files ALL
    DEPENDS ${ZORVI_ICON_PNGS} ${ZORVI_DESKTOP_DIR}/zorvi-player.desktop
            ${ZORVI_DESKTOP_DIR}/zorvi-player-mime.xml)

install(TARGETS zorvi-player RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZORVI_DESKTOP_DIR}/zorvi-player.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZORVI_DESKTOP_DIR}/zorvi-player.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ZORVI_DESKTOP_DIR}/zorvi-player-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME zorvi-player.xml)
install(FILES ${ZORVI_LOGO} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${ZORVI_ICON_SIZES})
    install(FILES ${ZORVI_DESKTOP_DIR}/icons/hicolor/${size}x${size}/apps/zorvi-player.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
