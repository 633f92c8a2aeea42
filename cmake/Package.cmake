# `cpack -G DEB` in the build tree makes two packages, installing under /usr:
#   quorvel-cli_<version>_<arch>.deb  the command line, its manual page and
#                                     completion; Qt Core and the host tools
#   quorvel_<version>_<arch>.deb      the window, its desktop files, icons and
#                                     manual; depends on quorvel-cli
# A headless build (QUORVEL_GUI=OFF) makes the first alone. Library
# dependencies come from the binaries (dpkg-shlibdeps); the host tools the
# programs run are named here.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <quorvel@quorvel.org>"
    CACHE STRING "Package maintainer")
set(CPACK_PACKAGE_HOMEPAGE_URL ${QUORVEL_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# Each component's description starts with its own synopsis line; a package
# summary (the project's description by default) would be put before it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")

set(CPACK_DEB_COMPONENT_INSTALL ON)
if(QUORVEL_GUI)
    set(CPACK_COMPONENTS_ALL cli gui)
else()
    set(CPACK_COMPONENTS_ALL cli)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME quorvel-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "find the network boards of receipt printers and set them up (command line)
quorvel finds the network boards of receipt printers on the local Ethernet
segment with a UDP broadcast, lists every board that answers, gives a board a
new IP address, mask and gateway (or DHCP), and reads its printer's status
flags, for scripts and machines without a display.")
# ip and ping for the assign steps.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "iproute2, iputils-ping")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME quorvel)
set(CPACK_COMPONENT_GUI_DESCRIPTION
    "find the network boards of receipt printers and set them up
Quorvel finds the network boards of receipt printers on the local Ethernet
segment with a UDP broadcast, lists every board that answers, gives the
selected board a new IP address, mask and gateway (or DHCP), and reads its
printer's status flags. This package has the window; the command line is in
quorvel-cli.")
# The window's package needs the command line's at the same version, and a
# font with Chinese glyphs.
set(CPACK_COMPONENT_GUI_DEPENDS cli)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk")
# A terminal shows the ping, telnet and firmware push (a desktop's own one
# satisfies this; a bare system gets xterm); Wayland sessions need Qt's
# Wayland plugin to run natively.
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "xterm | x-terminal-emulator, qt6-wayland")
set(CPACK_DEBIAN_GUI_PACKAGE_SUGGESTS "telnet")

include(CPack)
