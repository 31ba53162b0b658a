# `cpack -G DEB` builds zorvi-player_<version>_<arch>.deb from the install rules.
# The engine is opened with dlopen and the SQLite driver is a Qt plug-in, so
# dpkg-shlibdeps cannot see either: both are named here. Everything linked
# (Qt, TagLib, the C++ run time) is found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME zorvi-player)
set(CPACK_PACKAGE_VENDOR "Orvandel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvandel <contato@orvandel.com.br>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video and music player")
set(CPACK_PACKAGE_DESCRIPTION
    "Zorvi Player plays video and audio files, folders, playlists, links,\n"
    "internet radio and IPTV, with a music and video library, history with\n"
    "resume points, covers and thumbnails. English and Brazilian Portuguese.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvandel.com.br/aplicacoes/zorvi-player")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmpv2, libqt6sql6-sqlite")
# Without the fonts compiled in, the theme finds Inter through fontconfig.
if(ZORVI_FONT_ENTRIES STREQUAL "")
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", fonts-inter")
endif()
# Native windows under Wayland; X11 (also through XWayland) is in libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
