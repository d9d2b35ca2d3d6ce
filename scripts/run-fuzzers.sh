#!/bin/sh
# Runs every libFuzzer target of the "fuzz" preset for SECONDS each (default
# 600), JOBS at a time (default 1), each from its seed corpus, and prints one
# line per target: its name, the executions, the coverage reached and whether
# it found a fault. Inputs that fault are kept in build/fuzz/findings/NAME/.
#
#   cmake --preset fuzz && cmake --build --preset fuzz -j2
#   scripts/run-fuzzers.sh 600 2
#   scripts/run-fuzzers.sh 600 2 fuzz_obj_reader fuzz_script   (only these)
set -eu
seconds=${1:-600}
jobs=${2:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/fuzz/bin
work=$root/build/fuzz/runs
[ -d "$bin" ] || { echo "run-fuzzers: build the fuzz preset first" >&2; exit 2; }
mkdir -p "$work"

# The seed folder and dictionary of a target.
seeds() {
    case $1 in
        fuzz_tga|fuzz_gif|fuzz_pcx|fuzz_bmp|fuzz_ilbm) echo "$root/tests/data/image/fuzz/${1#fuzz_}" ;;
        fuzz_image_map) echo "$root/fuzz/corpus/imagemap" ;;
        fuzz_height_samples) echo "$root/fuzz/corpus/heightfield" ;;
        fuzz_native_reader|fuzz_tokenizer) echo "$root/fuzz/corpus/native" ;;
        fuzz_legacy_reader) echo "$root/fuzz/corpus/legacy" ;;
        fuzz_user_textures) echo "$root/fuzz/corpus/usertex" ;;
        fuzz_pts_reader) echo "$root/fuzz/corpus/pts" ;;
        fuzz_facet_reader) echo "$root/fuzz/corpus/facets" ;;
        fuzz_animation_reader) echo "$root/fuzz/corpus/animation" ;;
        fuzz_sequence_template) echo "$root/fuzz/corpus/sequence" ;;
        fuzz_3ds_reader) echo "$root/fuzz/corpus/3ds" ;;
        fuzz_nff_reader) echo "$root/fuzz/corpus/nff" ;;
        fuzz_obj_reader) echo "$root/fuzz/corpus/obj" ;;
        fuzz_dxf_reader) echo "$root/fuzz/corpus/dxf" ;;
        fuzz_farm_records) echo "$root/fuzz/corpus/farm" ;;
        fuzz_texture_database) echo "$root/fuzz/corpus/kalvextex" ;;
        fuzz_host_dispatch) echo "$root/fuzz/corpus/hostcalls" ;;
        fuzz_stl_plugin) echo "$root/fuzz/corpus/stl" ;;
        fuzz_stl_reader) echo "$root/fuzz/corpus/stlcore" ;;
        fuzz_ply_reader) echo "$root/fuzz/corpus/ply" ;;
        fuzz_recent_files) echo "$root/fuzz/corpus/xbel" ;;
        fuzz_gltf_reader) echo "$root/fuzz/corpus/gltf" ;;
        fuzz_import_roundtrip) echo "$root/fuzz/corpus/roundtrip" ;;
        fuzz_script) echo "$root/fuzz/corpus/script" ;;
        fuzz_batch_line) echo "$root/fuzz/corpus/batch" ;;
        fuzz_module_list) echo "$root/fuzz/corpus/modules" ;;
        fuzz_iso_function) echo "$root/fuzz/corpus/isofunction" ;;
        *) echo "" ;;
    esac
}
dictionary() {
    case $1 in
        fuzz_nff_reader) echo "-dict=$root/fuzz/nff.dict" ;;
        fuzz_obj_reader) echo "-dict=$root/fuzz/obj.dict" ;;
        fuzz_dxf_reader) echo "-dict=$root/fuzz/dxf.dict" ;;
        fuzz_ply_reader) echo "-dict=$root/fuzz/ply.dict" ;;
        fuzz_stl_reader) echo "-dict=$root/fuzz/stl.dict" ;;
        fuzz_gltf_reader) echo "-dict=$root/fuzz/gltf.dict" ;;
        *) echo "" ;;
    esac
}

# The longest input a target is given. Model files find most faults in their
# first few kilobytes; larger inputs slow the importers to a few hundred runs
# a second, where thousands are wanted.
max_len() {
    case $1 in
        fuzz_3ds_reader|fuzz_nff_reader|fuzz_obj_reader|fuzz_dxf_reader|fuzz_stl_reader|fuzz_ply_reader| \
        fuzz_gltf_reader|fuzz_import_roundtrip|fuzz_stl_plugin) echo "-max_len=4096" ;;
        *) echo "-max_len=16384" ;;
    esac
}

run_one() {
    name=$(basename "$1")
    corpus=$work/$name/corpus
    findings=$root/build/fuzz/findings/$name
    mkdir -p "$corpus" "$findings"
    seed=$(seeds "$name")
    [ -n "$seed" ] && [ -d "$seed" ] && cp -n "$seed"/* "$corpus"/ 2>/dev/null || true
    # The example scripts seed the script target too.
    [ "$name" = fuzz_script ] && cp -n "$root"/examples/scripts/*.lua "$corpus"/ 2>/dev/null || true
    # shellcheck disable=SC2046
    if "$1" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
        $(max_len "$name") $(dictionary "$name") "$corpus" >"$work/$name/log" 2>&1; then
        verdict=clean
    else
        verdict="FAULT (see $work/$name/log)"
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name/log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$work/$name/log" | tail -n 1)
    printf '%-26s %6ss %12s executions  %-10s %s\n' "$name" "$seconds" "${execs:-?}" "${cov:-cov: ?}" "$verdict"
}

if [ $# -gt 2 ] && [ "$3" != "--one" ]; then
    shift 2
    targets=$(for name in "$@"; do echo "$bin/$name"; done)
else
    targets=$(ls "$bin"/fuzz_* )
fi
if [ "$jobs" -gt 1 ]; then
    export root work seconds
    # One line per target; GNU parallel keeps each target's line whole.
    for t in $targets; do echo "$t"; done |
        parallel --will-cite -j "$jobs" --line-buffer "$0" "$seconds" 1 --one {}
    exit 0
fi
if [ "${3:-}" = "--one" ]; then
    run_one "$4"
    exit 0
fi
for t in $targets; do run_one "$t"; done
