# The Debian package "skw-manager", made by CPack from an already built tree:
#   cpack --config build/default/CPackConfig.cmake -B build/package   (scripts/package.sh)
# CPack rather than debian/ + dpkg-buildpackage: it packs the tree that the build and tests have
# just made, so CI does not compile everything a second time, and the install rules stay the one
# description of what goes where. Depends are still computed by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skw-manager)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Quorvex <support@quorvex.com>")
set(CPACK_PACKAGE_VENDOR Quorvex)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set up Bluetooth LE serial modules over a serial port")
set(CPACK_PACKAGE_DESCRIPTION [=[
sKW Manager identifies Bluetooth Low Energy serial modules of the GaX-sKW523,
GaX-DTQ50, GaX-sKW521M and GaX-sKW521 models on a serial port and changes
their settings: UART speed and flow control, role, device name, advertising
interval, automatic connection, and the devices registered in their slots.
A serial terminal sends text or hexadecimal bytes and shows the answers.
.
The package holds the desktop program skw-manager, the command-line tool
skw-manager-cli, and skw-module-sim, a virtual module on a pseudo-terminal
for trying both without hardware.
.
To open serial ports such as /dev/ttyUSB0, the user must be a member of the
dialout group: sudo adduser $USER dialout, then log in again.]=])

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorvex.com/skw-manager/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Korean texts need a CJK font; Qt's own dialog buttons read its Korean catalogue.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-nanum, qt6-translations-l10n")
# Installed files are root's, whatever user builds the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
