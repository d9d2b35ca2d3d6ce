#!/bin/sh
# How long a render of a large mesh takes on the render road beside a bare
# POV-Ray run of the same mesh as a mesh2 file written by a plain writer.
# The mesh is a smooth grid of SIDE x SIDE quads (2 x SIDE^2 triangles; the
# default 708 gives about a million) with a normal at each corner, handed to
# Kalvex as an OBJ file. Run by hand (not by CTest):
#
#   bench/mesh_render.sh [KALVEX] [SIDE] [WIDTH HEIGHT]
#
# Prints the render road's time (import, export and render), the bare run's
# and their ratio, the same for a second render of the unchanged mesh (its
# include file already in the cache), and with [Render] Mesh2=0 (triangles).
# Then, for the mesh saved as a Kalvex scene: the first render, and a second
# after only the camera moved, each with its export part: the time from the
# start of kalvex to the start of the renderer (which a wrapper notes), less
# that of a run that only starts and loads the scene.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
kalvex=$(realpath "${1:-$here/build/release/bin/kalvex}")
side=${2:-708}
width=${3:-320}
height=${4:-240}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

# The grid: a wave over [-20, 20] x [-20, 20], its normals from the wave's slope.
awk -v n="$side" 'BEGIN {
    for (j = 0; j <= n; j++) for (i = 0; i <= n; i++) {
        x = -20 + 40 * i / n; z = -20 + 40 * j / n
        y = 2 * sin(x / 3) * cos(z / 3)
        dx = 2 / 3 * cos(x / 3) * cos(z / 3); dz = -2 / 3 * sin(x / 3) * sin(z / 3)
        printf "v %.5f %.5f %.5f\nvn %.5f 1 %.5f\n", x, y, z, -dx, -dz
    }
    for (j = 0; j < n; j++) for (i = 0; i < n; i++) {
        c = j * (n + 1) + i + 1
        printf "f %d//%d %d//%d %d//%d %d//%d\n", c, c, c + 1, c + 1, c + n + 2, c + n + 2, c + n + 1, c + n + 1
    }
}' > grid.obj

# The plain writer: the same grid as mesh2, with a camera and a light.
awk -v n="$side" 'BEGIN {
    print "camera { location <0, 40, -45> look_at <0, 0, 0> }"
    print "light_source { <-20, 50, -30> color rgb 1 }"
    print "mesh2 {"
    printf " vertex_vectors { %d,\n", (n + 1) * (n + 1)
    for (j = 0; j <= n; j++) for (i = 0; i <= n; i++) {
        x = -20 + 40 * i / n; z = -20 + 40 * j / n
        printf "  <%.5f, %.5f, %.5f>\n", x, 2 * sin(x / 3) * cos(z / 3), z
    }
    print " }"
    printf " normal_vectors { %d,\n", (n + 1) * (n + 1)
    for (j = 0; j <= n; j++) for (i = 0; i <= n; i++) {
        x = -20 + 40 * i / n; z = -20 + 40 * j / n
        printf "  <%.5f, 1, %.5f>\n", -2 / 3 * cos(x / 3) * cos(z / 3), 2 / 3 * sin(x / 3) * sin(z / 3)
    }
    print " }"
    printf " face_indices { %d,\n", 2 * n * n
    for (j = 0; j < n; j++) for (i = 0; i < n; i++) {
        c = j * (n + 1) + i
        printf "  <%d, %d, %d>, <%d, %d, %d>\n", c, c + 1, c + n + 2, c, c + n + 2, c + n + 1
    }
    print " }"
    print " pigment { color rgb <0.8, 0.5, 0.2> }"
    print "}"
}' > plain.pov

now() { date +%s.%N; }
export HOME="$work/home"
mkdir -p "$HOME/.config/Velmora"

road() {  # road MESH2: seconds of kalvex --render with [Render] Mesh2=MESH2
    printf '[Render]\nMesh2=%s\n' "$1" > "$HOME/.config/Velmora/Kalvex.ini"
    start=$(now)
    "$kalvex" --render grid.obj --width "$width" --height "$height" > road.log 2>&1 || { tail -5 road.log >&2; exit 1; }
    end=$(now)
    echo "$end - $start" | bc
}
start=$(now)
povray -D +FT +Iplain.pov +Oplain.tga +W"$width" +H"$height" > bare.log 2>&1 || { tail -5 bare.log >&2; exit 1; }
end=$(now)
bare=$(echo "$end - $start" | bc)
# Kalvex runs with the heap's large pages and hands them on to the renderer;
# the same bare run given them shows what of the gain is the renderer's own.
start=$(now)
GLIBC_TUNABLES=glibc.malloc.hugetlb=1 povray -D +FT +Iplain.pov +Oplain.tga +W"$width" +H"$height" > bare.log 2>&1 || { tail -5 bare.log >&2; exit 1; }
end=$(now)
bare_large=$(echo "$end - $start" | bc)
mesh2=$(road 1)
again=$(road 1)
triangles=$(road 0)

# The scene road: the grid as a Kalvex scene, rendered through a wrapper that
# notes when the renderer starts.
"$kalvex" --export grid.obj grid.cad > export.log 2>&1 || { tail -5 export.log >&2; exit 1; }
cat > timed-renderer <<EOS
#!/bin/sh
date +%s.%N > "$work/renderer-started"
exec povray "\$@"
EOS
chmod +x timed-renderer
scene_road() {  # seconds of kalvex --render grid.cad, then its export part
    printf '[Directories]\nRender=%s\n' "$work/timed-renderer" > "$HOME/.config/Velmora/Kalvex.ini"
    start=$(now)
    "$kalvex" --render grid.cad --width "$width" --height "$height" > scene.log 2>&1 || { tail -5 scene.log >&2; exit 1; }
    end=$(now)
    echo "$(echo "$end - $start" | bc) $(echo "$(cat "$work/renderer-started") - $start" | bc)"
}
echo "local unused = 0" > empty.lua
start=$(now)
"$kalvex" --script empty.lua grid.cad > load.log 2>&1 || { tail -5 load.log >&2; exit 1; }
end=$(now)
load=$(echo "$end - $start" | bc)
set -- $(scene_road)
first=$1 first_export=$(echo "$2 - $load" | bc)
# Only the camera moves: the first Position in the file is the camera's.
sed -i '0,/^\tPosition /s/^\tPosition .*/\tPosition 1 40 -45/' grid.cad
set -- $(scene_road)
moved=$1 moved_export=$(echo "$2 - $load" | bc)

triangles_count=$((2 * side * side))
echo "triangles: $triangles_count, picture ${width}x$height"
echo "bare povray of the plain mesh2 file: $bare s"
echo "the same with the heap's large pages: $bare_large s"
echo "kalvex --render, mesh2 (the default): $mesh2 s, ratio $(echo "scale=2; $mesh2 / $bare" | bc)"
echo "kalvex --render again, the mesh from the cache: $again s, ratio $(echo "scale=2; $again / $bare" | bc)"
echo "kalvex --render, Mesh2=0 (triangles): $triangles s, ratio $(echo "scale=2; $triangles / $bare" | bc)"
echo "kalvex --script (empty) grid.cad, start and load only: $load s"
echo "kalvex --render grid.cad: $first s, of which export $first_export s"
echo "kalvex --render grid.cad after a camera move: $moved s, ratio $(echo "scale=2; $moved / $bare" | bc), of which export $moved_export s ($(echo "scale=1; 100 * $moved_export / $first_export" | bc)% of the first's)"
echo "  against the bare run with large pages: $(echo "scale=2; $moved / $bare_large" | bc)"
