#!/bin/sh
# Builds the image viewer, renders every image table and two page mock-ups,
# and writes 4x PNGs to the directory given (default build/previews).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/previews}
mkdir -p "$out"
cd "$root"
cmake --build --preset dev --target imageview >/dev/null
"$root/build/imageview" "$out"
for f in "$out"/*.ppm; do
    convert "$f" -scale 400% "${f%.ppm}.png"
    convert "$f" "${f%.ppm}-1x.png"
done
echo "previews in $out"
