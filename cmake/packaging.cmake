# Installing the program the way a Linux desktop expects it (the program in bin, a menu entry,
# an icon) and the Debian package CPack makes of that: cd build && cpack -G DEB.
include(GNUInstallDirs)

install(TARGETS lanxi-pictool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(UNIX AND NOT APPLE)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/lanxi-pictool.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # KDE's file manager reads its right-click entries from here (KDE Frameworks 5.85 and 6).
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/lanxi-pictool-servicemenu.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus RENAME lanxi-pictool.desktop)
    install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icon.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
            RENAME lanxi-pictool.png)
endif()

set(CPACK_PACKAGE_NAME lanxi-pictool)
set(CPACK_PACKAGE_VENDOR "岚溪文坊")
set(CPACK_PACKAGE_CONTACT "岚溪文坊 <support@lanxi-wenfang.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "crop, scale and compress pictures for the Lanxi Wenfang writing site")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "岚溪文坊图片工具 crops a picture, scales it by steps or to a fixed size, saves it with a "
    "JPEG copy of quality 80 beside it, and batch-compresses BMP and JPEG files to JPEG, so "
    "that pictures meet the size limits of the writing site.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LANXI_HOME_PAGE}")
# The libraries the program links come from dpkg-shlibdeps. Qt's X11 platform plugin is loaded
# at run time, so no library dependency names it, and without a Chinese font every caption
# shows as boxes; both are named here. Qt's own Chinese texts (dialog buttons) are recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
