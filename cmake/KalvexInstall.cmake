# Where an installed Kalvex puts its parts, relative to the prefix. The
# installed program finds its libraries, plug-ins and data relative to its own
# location, so a tree installed under one prefix (or staged with DESTDIR) and
# moved elsewhere keeps working.
include(GNUInstallDirs)

# The desktop's name for the program: its desktop entry, icon and metainfo.
set(KALVEX_APP_ID org.kalvex.Kalvex)
# The program's own libraries live in a folder of their own, as private
# libraries do: they never mix with the system's, and neither the dynamic
# linker's cache nor a package's scripts need to know of them. The plug-ins
# lie below them; the program looks for both beside its bin folder (the build
# tree keeps its libraries in lib).
set(KALVEX_INSTALL_LIBDIR lib/kalvex)
set(KALVEX_INSTALL_PLUGINDIR lib/kalvex/plugins)
set(KALVEX_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/kalvex)
# The package is "kalvex", whatever the project calls itself.
set(KALVEX_INSTALL_EXAMPLESDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kalvex/examples)
# zsh on Debian reads vendor-completions; other systems may want site-functions.
set(KALVEX_INSTALL_ZSHDIR ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions CACHE STRING
    "Where the zsh completion is installed, relative to the prefix")

# The run-time search paths the installed binaries carry: each finds the
# libraries from its own folder ($ORIGIN), wherever the tree now lies.
function(kalvex_relative_origin out from_dir)
  file(RELATIVE_PATH relative "/prefix/${from_dir}" "/prefix/${KALVEX_INSTALL_LIBDIR}")
  if(relative STREQUAL "")
    set(${out} "$ORIGIN" PARENT_SCOPE)
  else()
    set(${out} "$ORIGIN/${relative}" PARENT_SCOPE)
  endif()
endfunction()
kalvex_relative_origin(KALVEX_RUNPATH_FROM_BIN ${CMAKE_INSTALL_BINDIR})
kalvex_relative_origin(KALVEX_RUNPATH_FROM_PLUGINS ${KALVEX_INSTALL_PLUGINDIR})
set(KALVEX_RUNPATH_FROM_LIB "$ORIGIN")
set(KALVEX_LIBDIR_FROM_PREFIX ${KALVEX_INSTALL_LIBDIR})
