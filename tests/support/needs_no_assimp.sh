#!/bin/sh
# Fails when any of the given binaries needs the import library that only the
# import benchmark may link, directly or through another library.
status=0
for binary in "$@"; do
    [ -e "$binary" ] || { echo "missing: $binary"; status=1; continue; }
    if ldd "$binary" | grep -i assimp; then
        echo "needs the benchmark-only import library: $binary"
        status=1
    fi
done
exit $status
