#!/usr/bin/env bash
# Installs the build into a staging tree with DESTDIR, moves the tree
# elsewhere and checks from there what a user and the desktop see: the
# validators on the desktop files, the manual page, the relocated program
# (version, plug-ins, a real render, a thumbnail), the file type in the MIME
# database, the plug-in kit, and the shell completions.
#   install_test.sh BUILD_DIR VERSION SOURCE_DIR
set -euo pipefail
build=$1 version=$2 source=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/kalvex-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"
# The sanitizer build's leak report is about the test build, not the install.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0

failures=0
check() {  # check NAME COMMAND...: runs COMMAND, reports NAME
    local name=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "ok: $name"
    else
        echo "FAILED: $name"
        sed 's/^/    /' "$work/out"
        failures=$((failures + 1))
    fi
}
silent() {  # silent COMMAND...: succeeds only when COMMAND prints nothing on stderr and succeeds
    local err
    err=$("$@" 2>&1 >/dev/null) || { echo "$err"; return 1; }
    [ -z "$err" ] || { echo "$err"; return 1; }
}

DESTDIR=$work/stage cmake --install "$build" --prefix /usr >"$work/install.log"
mv "$work/stage/usr" "$work/moved"
p=$work/moved
app=org.kalvex.Kalvex

# The desktop files, each through its own validator.
check "desktop entry validates" desktop-file-validate "$p/share/applications/$app.desktop"
check "metainfo validates" appstreamcli validate --no-net "$p/share/metainfo/$app.metainfo.xml"
check "MIME type XML is well formed" xmllint --noout "$p/share/mime/packages/$app.xml"
check "thumbnailer names the program" grep -qx 'Exec=kalvex --thumbnail %i %o --size %s' "$p/share/thumbnailers/kalvex.thumbnailer"
check "manual page has no groff warning" silent groff -ww -man -z "$p/share/man/man1/kalvex.1"
check "manual page has no man warning" silent man --warnings -l "$p/share/man/man1/kalvex.1"
check "metainfo carries the version" grep -q "<release version=\"$version\"" "$p/share/metainfo/$app.metainfo.xml"
for size in 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
    check "icons $size" test -s "$p/share/icons/hicolor/$size/apps/$app.png" -a -s "$p/share/icons/hicolor/$size/mimetypes/application-x-kalvex-scene.png"
done
check "scalable icons" test -s "$p/share/icons/hicolor/scalable/apps/$app.svg" -a -s "$p/share/icons/hicolor/scalable/mimetypes/application-x-kalvex-scene.svg"

# The moved program finds its own libraries, plug-ins and data, none of the build tree's.
k=$p/bin/kalvex
resolved_inside() {  # resolved_inside FILE COUNT: COUNT of our libraries, each found in the moved tree
    local ours
    ours=$(ldd "$1" | grep -E 'lib(kxcore|pixmo32|kxrender|plugkit)\.so') || return 1
    [ "$(echo "$ours" | wc -l)" = "$2" ] && [ "$(echo "$ours" | grep -c "=> $p/")" = "$2" ] &&
        ! ldd "$1" | grep -q 'not found'
}
check "the program's libraries resolve inside the moved tree" resolved_inside "$k" 3
check "a plug-in's library resolves inside the moved tree" resolved_inside "$p/lib/kalvex/plugins/spring.pi" 1
check "no path of the build tree is compiled in as a search path" bash -c "! readelf -d '$k' '$p'/lib/kalvex/libkxcore.so.0 | grep -E 'R(UN)?PATH' | grep -q '$build'"
check "--version" bash -c "[ \"\$('$k' --version)\" = 'kalvex $version' ]"
check "--list-plugins lists the samples" bash -c "'$k' --list-plugins | cut -f3 | sort | tr '\n' ' ' | grep -qx 'flatRender spring stlLoad stlSave '"
examples=$p/share/doc/kalvex/examples
check "examples are installed" test -s "$examples/showcase.cad" -a -s "$examples/hills.pgm"
cp -r "$examples" "$work/scenes"
if command -v povray >/dev/null; then
    check "--render of the installed example" bash -c "cd '$work/scenes' && '$k' --render showcase.cad --width 80 --height 60 && test -s showcase.tga"
else
    echo "FAILED: povray is not installed"; failures=$((failures + 1))
fi
check "--thumbnail writes a PNG of the size asked" bash -c "'$k' --thumbnail '$work/scenes/showcase.cad' '$work/thumb.png' --size 96 && pngtopnm '$work/thumb.png' | pnmfile | grep -q '96 by 96'"

# A file manager hands the window several scenes: each further one opens in
# a window of its own.
opens_each_scene() {
    cp "$work/scenes/showcase.cad" "$work/first.cad"
    cp "$work/scenes/rolling_ball.cad" "$work/second.cad"
    QT_QPA_PLATFORM=offscreen "$k" "$work/first.cad" "$work/second.cad" >/dev/null 2>&1 &
    local first=$! found=1
    for _ in $(seq 1 100); do
        if pgrep -f -- "-- $work/second.cad" >/dev/null; then found=0; break; fi
        sleep 0.2
    done
    pkill -TERM -f -- "-- $work/second.cad" || true
    kill -TERM "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true
    return $found
}
check "several scenes open a window each" opens_each_scene

# The file type: a scene by its version line, not every file called .cad.
printf 'SECTION\r\n  2\r\nHEADER\r\n' > "$work/drawing.cad"
check "update-mime-database takes the type" env XDG_DATA_DIRS="$p/share:/usr/share" update-mime-database "$p/share/mime"
if command -v xdg-mime >/dev/null; then
    check "a scene is application/x-kalvex-scene" bash -c "[ \"\$(XDG_DATA_HOME='$p/share' XDG_DATA_DIRS=/usr/share xdg-mime query filetype '$work/scenes/showcase.cad')\" = application/x-kalvex-scene ]"
    check "another program's .cad is not" bash -c "[ \"\$(XDG_DATA_HOME='$p/share' XDG_DATA_DIRS=/usr/share xdg-mime query filetype '$work/drawing.cad')\" != application/x-kalvex-scene ]"
else
    echo "skipped: xdg-mime is not installed"
fi

# A plug-in author builds against the moved tree's kit, with either tool.
check "pkg-config builds a plug-in" bash -c "cc -shared -fPIC -o '$work/spring2.pi' '$source/examples/plugins/spring.c' \$(PKG_CONFIG_PATH='$p/lib/pkgconfig' pkg-config --cflags --libs kalvex-plugkit) -lm"
check "pkg-config names the plug-in folder" bash -c "[ \"\$(PKG_CONFIG_PATH='$p/lib/pkgconfig' pkg-config --variable=plugindir kalvex-plugkit)\" -ef '$p/lib/kalvex/plugins' ]"
mkdir -p "$work/sdk"
cat > "$work/sdk/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(spring2 C)
find_package(KalvexPlugkit 1.0 REQUIRED)
add_library(spring2 MODULE $source/examples/plugins/spring.c)
set_target_properties(spring2 PROPERTIES PREFIX "" SUFFIX ".pi")
target_link_libraries(spring2 PRIVATE Kalvex::plugkit m)
CMAKE
check "the CMake package builds a plug-in" bash -c "cmake -S '$work/sdk' -B '$work/sdk/build' -G Ninja -DCMAKE_PREFIX_PATH='$p' && cmake --build '$work/sdk/build' && test -s '$work/sdk/build/spring2.pi'"

# The completions offer the table's options, the export types and the plug-ins.
completion() {  # completion WORDS...: what bash completes for the last word
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kalvex; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$p/share/bash-completion/completions/kalvex" "$@"
}
export PATH=$p/bin:$PATH
check "bash completes options" bash -c "$(declare -f completion); p='$p'; completion kalvex --thumb | grep -qx -- --thumbnail"
check "bash completes export types" bash -c "$(declare -f completion); p='$p'; [ \"\$(completion kalvex --type Povray | sort | tr '\n' ' ')\" = 'Povray1 Povray2 Povray3 ' ]"
check "bash completes plug-in names" bash -c "$(declare -f completion); p='$p'; completion kalvex --plugin sp | grep -qx spring"
check "bash completes scenes" bash -c "$(declare -f completion); p='$p'; cd '$work/scenes' && completion kalvex --render sh | grep -qx showcase.cad"
if command -v zsh >/dev/null; then check "zsh completion parses" zsh -n "$p/share/zsh/vendor-completions/_kalvex"; fi
if command -v fish >/dev/null; then
    check "fish completes options" bash -c "fish -c \"source '$p/share/fish/vendor_completions.d/kalvex.fish'; complete -C'kalvex --thu'\" | grep -q '^--thumbnail'"
fi

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "all install checks passed"
