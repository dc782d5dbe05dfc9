# Installing and packaging. An installation puts the programs in bin, its
# helper programs in libexec/vantrel and what they ship with in
# share/vantrel, where AppPaths finds them from the executable's folder; the
# desktop entry, the icons and the AppStream data go where the desktop looks
# for them.
include(GNUInstallDirs)

set(VANTREL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/vantrel")
file(RELATIVE_PATH _share_from_bin "/root/${CMAKE_INSTALL_BINDIR}" "/root/${VANTREL_DATA_DIR}")
target_compile_definitions(vantrel_core PRIVATE VANTREL_SHARE_FROM_BIN="${_share_from_bin}")
# Helper programs the user never starts go to libexec/vantrel.
set(VANTREL_HELPER_DIR "${CMAKE_INSTALL_LIBEXECDIR}/vantrel")
file(RELATIVE_PATH _helpers_from_bin "/root/${CMAKE_INSTALL_BINDIR}" "/root/${VANTREL_HELPER_DIR}")
target_compile_definitions(vantrel_core PRIVATE VANTREL_HELPERS_FROM_BIN="${_helpers_from_bin}")

install(TARGETS vantrel vantrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vantrel-guard)
    install(TARGETS vantrel-guard RUNTIME DESTINATION ${VANTREL_HELPER_DIR})
endif()
install(FILES resources/settings.dat DESTINATION ${VANTREL_DATA_DIR})
install(FILES resources/skins/frmmain.qss DESTINATION ${VANTREL_DATA_DIR}/skins)
install(FILES packaging/vantrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/io.github.vantrel.Converter.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/icons/vantrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES packaging/icons/vantrel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vantrel.png)
endforeach()

# cpack -G DEB: the Qt libraries come from dpkg-shlibdeps; the tools, the
# platform plugin that shows the window and TLS for https pages are named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_CONTACT "Vantrel developers <dev@vantrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Video converter for phones, players and consoles")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, mplayer, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libssl3, ca-certificates, yt-dlp, xdg-utils")
include(CPack)
