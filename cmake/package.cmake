# The Debian package (scripts/package.sh): the files of the installation below /usr, the
# library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pagewarden)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pagewarden developers <pagewarden@pagewarden.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "web page update checker with a Japanese interface")
# The long description, one paragraph; CPack puts the summary above it and starts every
# line with the one blank Debian's control file asks for.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pagewarden keeps a watch list of web pages and fetches each page on its
schedule. It decides whether a page changed (the whole file, a keyword count,
an area after an anchor keyword, or the server's date) and tells the user by
an update mark, a sound, a desktop notification, the page in the browser or a
notification mail. The package holds the desktop program pagewarden and the
command-line program pagewarden-cli.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libnotify is loaded when the first notice is shown, not linked, so dpkg-shlibdeps does not
# find it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libnotify4")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pagewarden.org/")
# The sound is played through the desktop's sound service; notifications need a daemon.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio-utils | alsa-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# scripts/package.sh builds what the package holds; cpack need not build the tests too.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
