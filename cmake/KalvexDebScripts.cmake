# Runs after cpack made the Debian package. The generator gives every package
# that holds libraries below /usr/lib a postinst and a postrm that run
# ldconfig; ours lie in a folder of their own that ldconfig never reads, so
# the scripts have nothing to do, and a postrm alone would keep the package
# listed ("config-files") after apt-get remove. They are taken out again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    file(STRINGS "${tree}/DEBIAN/${script}" lines)
    list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|\tldconfig|fi|)$")
    if(lines)
      message(FATAL_ERROR "${script} of ${package} does more than ldconfig: ${lines}")
    endif()
    file(REMOVE "${tree}/DEBIAN/${script}")
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b "${tree}" "${package}" OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
