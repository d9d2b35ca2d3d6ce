#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Kalvex needs.
# Idempotent: when everything is already present it installs nothing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # locale sources: tests build a comma-decimal locale to prove files ignore it
  locales
  # the JPEG codec library wraps libjpeg; the image tests make real files with netpbm
  libjpeg62-turbo-dev netpbm
  # glyph outlines of text objects, and the default face
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  # fuzzing (the fuzz preset): clang with libFuzzer
  clang libclang-rt-14-dev
  # the renderer Kalvex runs, with the include files every exported scene uses
  povray povray-includes
  # GNU parallel runs the frames of an animation at once (kalvex --jobs)
  parallel
  # third-party readers and writers the importers and exporters are checked against
  # (libassimp-dev only for the import benchmark: no product binary links it)
  assimp-utils libassimp-dev view3dscene
  # the window (Qt 6 Widgets; its tests run on the offscreen platform)
  qt6-base-dev
  # the script language of macros, scene event scripts and kalvex --script
  liblua5.4-dev
  # glTF models: the container and JSON reader, and the JSON writer
  libtinygltf-dev nlohmann-json3-dev
  # another glTF writer the importer is checked against
  gltfpack
  # thumbnails are PNG files
  libpng-dev
  # the desktop files and the manual page, each through its own checker; the
  # file type through the MIME database and the desktop's query tool
  desktop-file-utils appstream libxml2-utils groff-base man-db shared-mime-info xdg-utils
  libfile-mimeinfo-perl
  # the zsh and fish completions are parsed by their shells; the install test
  # finds the window a second scene opened with pgrep
  zsh fish procps
  # the Debian package of a release build (cpack -G DEB)
  dpkg-dev
)

# The npm registry's glTF validator and OBJ converter check exports and
# imports in the tests; npm comes from Debian when the machine has none.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

# The test-only programs from the npm registry, into the project's own folder.
npm_tools() {
  local folder
  folder="$(cd "$(dirname "$0")/.." && pwd)/tools/npm"
  [ -x "$folder/node_modules/.bin/obj2gltf" ] && [ -f "$folder/node_modules/gltf-validator/index.js" ] && return 0
  (cd "$folder" && npm ci --no-audit --no-fund --loglevel=error) ||
    echo "setup-deps: the npm test tools could not be installed; the tests that use them are skipped" >&2
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  npm_tools
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
  sudo_cmd=(sudo)
else
  echo "setup-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
npm_tools
