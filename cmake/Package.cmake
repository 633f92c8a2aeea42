# `cpack -G DEB` in the build tree: quorvel_<version>_<arch>.deb, installing
# under /usr. Library dependencies come from the binaries (dpkg-shlibdeps);
# the host tools the program runs are named here.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <quorvel@quorvel.org>"
    CACHE STRING "Package maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "find the network boards of receipt printers and set them up")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel finds the network boards of receipt printers on the local Ethernet segment with a UDP broadcast, lists every board that answers, gives the selected board a new IP address, mask and gateway (or DHCP), and reads its printer's status flags.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${QUORVEL_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ip and ping for the assign steps; a font with Chinese glyphs for the windows.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "iproute2, iputils-ping, fonts-wqy-microhei | fonts-noto-cjk")
# A terminal shows the ping, telnet and firmware push (a desktop's own one
# satisfies this; a bare system gets xterm); Wayland sessions need Qt's
# Wayland plugin to run natively.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xterm | x-terminal-emulator, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tftp-hpa, telnet")

include(CPack)
