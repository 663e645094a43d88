# A Debian package of the installed tree: `cpack -G DEB` in a release build.
# Its run-time dependencies are computed from the programs by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "cgtools developers")
set(CPACK_PACKAGE_CONTACT "cgtools developers <cgtools@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "beadweave writes the GROMACS molecule-type include file of a coarse-grained\n\
protein from a residue template library and a coarse-grained structure.\n\
pairprobe reports every pair of particles in a periodic box that lie closer\n\
than a hard-sphere distance, exactly and fast, for millions of particles.\n\
beadmap maps an atomistic protein structure (PDB or mmCIF) to the\n\
coarse-grained structure beadweave reads.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${PROJECT_NAME})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
