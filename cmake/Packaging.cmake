# SPDX-License-Identifier: GPL-3.0-or-later
# Installation and packaging of the vellmark program: the desktop entry,
# AppStream metainfo and hicolor icons on Linux, a Debian package through CPack,
# the icon and version resource on Windows and the application bundle on macOS.
# Included once from the top-level CMakeLists.txt, after src/ and assets/.

include(GNUInstallDirs)

# Reverse-DNS identity of the application: names the desktop entry, the
# metainfo, the icons and the macOS bundle.
set(VELLMARK_APP_ID "app.tellurith.Vellmark")
set(VELLMARK_RELEASE_DATE "2026-12-06")
set(VELLMARK_SCREENSHOT_URL "${PROJECT_HOMEPAGE_URL}/docs/screenshots"
    CACHE STRING "Web address of the folder holding docs/screenshots/*.png, for the metainfo")

set(vellmarkAssets ${PROJECT_SOURCE_DIR}/assets)

if(WIN32)
    # The icon is embedded in every size in one .ico; WIN32 on the executable
    # already makes it a GUI program without a console.
    set(VELLMARK_ICO ${vellmarkAssets}/platform/vellmark.ico)
    configure_file(${vellmarkAssets}/platform/vellmark.rc.in
        ${PROJECT_BINARY_DIR}/vellmark.rc @ONLY)
    target_sources(vellmark PRIVATE ${PROJECT_BINARY_DIR}/vellmark.rc)
endif()

if(APPLE)
    set(icns ${vellmarkAssets}/platform/vellmark.icns)
    target_sources(vellmark PRIVATE ${icns})
    set_source_files_properties(${icns} DIRECTORY ${PROJECT_SOURCE_DIR}/src/app
        PROPERTIES MACOSX_PACKAGE_LOCATION Resources)
    set_target_properties(vellmark PROPERTIES
        OUTPUT_NAME Vellmark
        MACOSX_BUNDLE_BUNDLE_NAME Vellmark
        MACOSX_BUNDLE_GUI_IDENTIFIER ${VELLMARK_APP_ID}
        MACOSX_BUNDLE_ICON_FILE vellmark.icns
        MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
        MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
        MACOSX_BUNDLE_COPYRIGHT "© Tellurith")
endif()

install(TARGETS vellmark
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    BUNDLE DESTINATION .)
# The program's plug-ins (the sound cue's player, the network side), where it
# looks for them: beside the program on Windows and in the bundle, in
# <libdir>/vellmark/plugins elsewhere.
if(WIN32)
    set(soundPlayerDir ${CMAKE_INSTALL_BINDIR})
elseif(APPLE)
    set(soundPlayerDir Vellmark.app/Contents/MacOS)
else()
    set(soundPlayerDir ${VELLMARK_PLUGIN_INSTALL_DIR})
endif()
install(TARGETS vellmark_soundplayer vellmark_network LIBRARY DESTINATION ${soundPlayerDir})

if(WIN32 OR APPLE)
    # Copies the Qt libraries and plugins next to the program (windeployqt,
    # macdeployqt) so the installed tree runs on a machine without Qt.
    qt_generate_deploy_app_script(TARGET vellmark
        FILENAME_VARIABLE vellmarkDeployScript
        NO_UNSUPPORTED_PLATFORM_ERROR)
    install(SCRIPT ${vellmarkDeployScript})
endif()

if(UNIX AND NOT APPLE)
    configure_file(${vellmarkAssets}/linux/${VELLMARK_APP_ID}.metainfo.xml.in
        ${PROJECT_BINARY_DIR}/${VELLMARK_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${vellmarkAssets}/linux/${VELLMARK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_BINARY_DIR}/${VELLMARK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size IN LISTS VELLMARK_ICON_SIZES)
        install(FILES ${vellmarkAssets}/icons/vellmark-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VELLMARK_APP_ID}.png)
    endforeach()
    install(FILES ${vellmarkAssets}/vellmark-logo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${VELLMARK_APP_ID}.svg)

    # The manual page vellmark(1), the machine-readable copyright file and the
    # changelog, compressed as Debian wants them (gzip -9n: no name, no time
    # stamp, so the same sources give the same package). The package is made
    # by Vellmark's own build, so it is a native package: its version has no
    # Debian revision and the changelog is changelog.gz.
    set(docDir ${CMAKE_INSTALL_DATADIR}/doc/vellmark)
    set(generated ${PROJECT_BINARY_DIR}/packaging)
    configure_file(${PROJECT_SOURCE_DIR}/docs/vellmark.1.in ${generated}/vellmark.1 @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${generated}/changelog COPYONLY)
    foreach(file vellmark.1 changelog)
        execute_process(COMMAND gzip -9nf ${generated}/${file} COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    install(FILES ${generated}/vellmark.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${generated}/changelog.gz
        DESTINATION ${docDir})
endif()

# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME vellmark)
set(CPACK_PACKAGE_VENDOR Tellurith)
set(CPACK_PACKAGE_CONTACT "Tellurith <support@vellmark.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stage timer for speakers and live events")
# One line of the package's description for each line here (at most 80
# columns in the control file).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Vellmark times talks, panels and shows: the operator runs a countdown or a"
    "count-up from a control window while a second, full-screen window shows the"
    "time, a wall clock, a progress bar and messages to the stage. The timer"
    "changes colour as the end approaches, can count into overtime and can play"
    "an audio cue at zero.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the program links are found by dpkg-shlibdeps (Qt HTTP Server,
# Qt WebSockets and liblo for remote control, libqrencode for the view address's
# QR code, among them). What Qt loads
# at run time is not: GStreamer's elements for playing the audio cue (WAV,
# FLAC and MP3 in plugins-good, Ogg in plugins-base), OpenSSL for the TLS
# back end of the update check and the certificate store it trusts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, libssl3, ca-certificates")
# Native Wayland windows, AAC cues, the VNC and other extra window-system
# plugins (a display-less machine can show the program over VNC), and Symbola
# for the symbols on the control window's buttons (⏸, 🕐).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, gstreamer1.0-libav, qt6-qpa-plugins, fonts-symbola")
include(CPack)
