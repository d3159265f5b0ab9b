# Documents every install carries, and the Debian package made by
# `cpack -G DEB` in the build folder.
set(VELMORA_CONTACT "The Velmora developers <velmora@users.noreply.github.com>")
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/velmora)

# The licence as Debian's machine-readable copyright file.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX REPLACE "^MIT License\n\nCopyright[^\n]*\n\n" "" licence "${licence}")
string(REGEX REPLACE "\n+$" "" licence "${licence}")
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n" "\n " licence " ${licence}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: velmora
Upstream-Contact: ${VELMORA_CONTACT}
Source: ${PROJECT_HOMEPAGE_URL}

Files: *
Copyright: 2026 The Velmora developers
License: MIT

License: MIT
${licence}
")

# CHANGELOG.md in the form Debian reads.
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND sh -c "awk -v maintainer=\"$1\" -f \"$2\" \"$3\" | gzip -9n > \"$4\""
    sh ${VELMORA_CONTACT} ${CMAKE_CURRENT_LIST_DIR}/debian_changelog.awk
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CMAKE_CURRENT_LIST_DIR}/debian_changelog.awk
  VERBATIM)
add_custom_target(velmora_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
  ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/model.md
  ${PROJECT_SOURCE_DIR}/docs/files.md ${PROJECT_SOURCE_DIR}/docs/reproducibility.md
  ${PROJECT_SOURCE_DIR}/docs/performance.md DESTINATION ${doc_dir})

set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "The Velmora developers")
set(CPACK_PACKAGE_CONTACT ${VELMORA_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "watch a small score bias compound through promotion")
set(CPACK_PACKAGE_DESCRIPTION "\
Velmora shows how a small bias in performance scores compounds through
promotion in an organisation of eight levels. Men and women are scored from
the same normal distribution except for a fixed bonus on every man's score;
each period some staff leave, the best-scored below are promoted and new hires
fill what is left.

The package holds the desktop program, velmora, which plays runs in one window
for teaching, and velmora-batch, which plays many seeded runs headless for
research: any organisation shape and every research factor, sweeps with
replications written into a folder, resumable and split across a cluster.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt only recommends its platform plugins, and without them the window cannot
# open; the fonts are the faces the window asks for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# With the Python package, one .deb per component: velmora as before, and
# python3-velmora for Debian's interpreter, which CPack does not name itself.
if(VELMORA_PYTHON)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified python3-velmora)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME velmora)
  set(CPACK_COMPONENT_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_DEBIAN_PYTHON3-VELMORA_PACKAGE_NAME python3-velmora)
  set(CPACK_DEBIAN_PYTHON3-VELMORA_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON3-VELMORA_PACKAGE_DEPENDS
    "${VELMORA_PYTHON_DEPENDS}, python3-numpy, python3-pandas")
  set(CPACK_DEBIAN_PYTHON3-VELMORA_PACKAGE_RECOMMENDS "python3-tqdm")
  set(CPACK_DEBIAN_PYTHON3-VELMORA_PACKAGE_SUGGESTS "python3-matplotlib, velmora")
  set(CPACK_COMPONENT_PYTHON3-VELMORA_DESCRIPTION "\
The Python package velmora plays Velmora's seeded runs and experiments from
Python 3 and returns pandas data frames holding the very numbers velmora-batch
gives; experiment folders pass between the two both ways. Notebooks can step
a single run period by period, as the desktop program does.")
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-velmora COMPONENT python3-velmora)
endif()
include(CPack)
