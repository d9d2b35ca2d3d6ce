# The Debian package of a release build: cpack -G DEB in build/release makes
# kalvex_<version>_amd64.deb. Its library dependencies are worked out by
# dpkg-shlibdeps from the binaries; the renderer is recommended, not required
# (the program models, exports and previews without it).
set(CPACK_PACKAGE_NAME kalvex)
set(CPACK_PACKAGE_VENDOR "The Kalvex developers")
set(CPACK_PACKAGE_CONTACT "The Kalvex developers <developers@kalvex.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive modeller of 3D scenes for ray tracers")
set(CPACK_PACKAGE_DESCRIPTION
    "Kalvex builds scenes from primitives, meshes, CSG groups, lights and a camera, edits them with the mouse in
four views, animates and textures them, exports them for POV-Ray and other formats, runs the renderer and shows
the image. Plug-ins and scripts extend it, and its jobs run from the command line without a display.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kalvex.org/")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries come with the package (in /usr/lib/kalvex, which needs no
# ldconfig and so no maintainer scripts); dpkg-shlibdeps finds them here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "povray, povray-includes")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "parallel")
# Plug-ins are loaded by the program, not linked: no shlibs file for them.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
# The packaged program is what a plain install gives; the tests and
# benchmarks are never part of it.
set(CPACK_COMPONENTS_ALL program sdk)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/KalvexDebScripts.cmake)
include(CPack)
