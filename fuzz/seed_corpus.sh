#!/bin/sh
# Builds seed corpora for the fuzz targets from the test data and examples:
#   fuzz/seed_corpus.sh OUTDIR
# makes OUTDIR/<target>/ for every target. The scene target reads its first
# byte as the choice of reader (odd: STL, even: scene text); the assimp
# target its first byte as the format (0 OBJ, 1 PLY, 2 OFF, 3 glTF, 4 Collada,
# 5 3MF), taking seeds
# from assimp-testmodels where that is installed.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: seed_corpus.sh OUTDIR}
mkdir -p "$out/bmp" "$out/tga" "$out/png" "$out/jpeg" "$out/stl_mesh" "$out/evaluate" "$out/scene" "$out/assimp"
cp "$src"/tests/data/*.bmp "$out/bmp/"
cp "$src"/tests/data/*.tga "$out/tga/"
cp "$src"/tests/data/*.png "$out/png/"
cp "$src"/tests/data/*.jpg "$out/jpeg/"
cp "$src"/tests/data/*.stl "$src"/examples/*.stl "$out/stl_mesh/"
printf '1+2*(3-4)/5' > "$out/evaluate/mixed"
printf '((((1))))*-2' > "$out/evaluate/nested"
printf '3.5,7' > "$out/evaluate/comma"
for f in "$src"/examples/*.vyk; do
  { printf 'v'; cat "$f"; } > "$out/scene/$(basename "$f")"
done
for f in "$src"/examples/*.stl "$src"/tests/data/*.stl; do
  { printf 's'; cat "$f"; } > "$out/scene/$(basename "$f")"
done
models=/usr/share/assimp/models
if [ -d "$models" ]; then
  i=0
  for f in "$models"/OBJ/*.obj "$models"/PLY/*.ply "$models"/OFF/*.off "$models"/glTF2/*/*.gltf \
    "$models"/Collada/*.dae "$models"/3MF/*.3mf; do
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -lt 200000 ] || continue
    case "$f" in *.obj) k='\000' ;; *.ply) k='\001' ;; *.off) k='\002' ;; *.gltf) k='\003' ;; *.dae) k='\004' ;; *) k='\005' ;; esac
    { printf "$k"; cat "$f"; } > "$out/assimp/$i"
    i=$((i + 1))
  done
fi
