# Writes the desktop entry at install time, when the final prefix is known (`cmake --install
# --prefix`, or /usr inside the Debian package), so that starting Vireo from the desktop opens the
# installed example frames. Expects VIREO_DESKTOP_TEMPLATE and VIREO_DATADIR (relative to the
# prefix).
set(VIREO_SAMPLES_DIR "${CMAKE_INSTALL_PREFIX}/${VIREO_DATADIR}/vireo/samples")
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${VIREO_DATADIR}/applications/vireo.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${VIREO_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
