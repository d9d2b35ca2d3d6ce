# Compiler and linker settings shared by every target of the project.

# Warnings for our own code; linked privately by every target we build.
add_library(kalvex_warnings INTERFACE)
target_compile_options(kalvex_warnings INTERFACE -Wall -Wextra)
if(KALVEX_WERROR)
  target_compile_options(kalvex_warnings INTERFACE -Werror)
endif()

# Results must not depend on the optimiser's choice to fuse multiply-adds.
add_compile_options(-ffp-contract=off)

if(KALVEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KALVEX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(KALVEX_FUZZ)
  # Every sanitizer report stops the fuzzer: a finding that only prints is lost.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Makes a shared library bind its own functions to itself and gives its exports
# one version node, so that same-named exports of our libraries never cross.
function(kalvex_library_hygiene target version_script)
  target_link_options(${target} PRIVATE
    -Wl,-Bsymbolic-functions
    -Wl,--version-script=${version_script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${version_script})
  if(NOT KALVEX_SANITIZE AND NOT KALVEX_FUZZ AND NOT KALVEX_TSAN)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

# Headers nearly every file of a target parses, compiled once per target: a
# clean build (every CI run is one) would otherwise parse the test framework
# and the widget headers again for each of several hundred files.
option(KALVEX_PCH "Precompile the headers most files of a target share" ON)
set(KALVEX_PCH_STANDARD <algorithm> <cmath> <cstdint> <cstdio> <cstring> <filesystem> <functional>
    <memory> <string> <vector>)
set(KALVEX_PCH_TESTS ${KALVEX_PCH_STANDARD} <gtest/gtest.h>)
set(KALVEX_PCH_WIDGETS <QApplication> <QCheckBox> <QComboBox> <QDialog> <QDialogButtonBox> <QFormLayout>
    <QHBoxLayout> <QLabel> <QLineEdit> <QPushButton> <QString> <QVBoxLayout> <QWidget>)
function(kalvex_precompile target)
  if(KALVEX_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()
