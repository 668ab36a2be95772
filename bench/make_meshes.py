#!/usr/bin/env python3
"""Writes the 1M-triangle mesh files of the first-frame comparison: a wavy
1000 x 500 quad grid centred on the origin (501501 shared vertices, no
normals, as scanners write them) as binary PLY and as OBJ.

    bench/make_meshes.py OUTDIR   ->  OUTDIR/grid.ply, OUTDIR/grid.obj
"""
import os
import struct
import sys

W, H = 1000, 500


def vertices():
    for y in range(H + 1):
        for x in range(W + 1):
            yield (x * 0.01 - 5.0, y * 0.01 - 2.5, 0.05 * (x % 7) + 0.02 * (y % 5))


def triangles():
    for y in range(H):
        for x in range(W):
            a = y * (W + 1) + x
            b, c, d = a + 1, a + W + 2, a + W + 1
            yield (a, b, c)
            yield (a, c, d)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    nv, nf = (W + 1) * (H + 1), 2 * W * H
    with open(os.path.join(out, "grid.ply"), "wb") as f:
        f.write(("ply\nformat binary_little_endian 1.0\nelement vertex %d\nproperty float x\n"
                 "property float y\nproperty float z\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n" % (nv, nf)).encode())
        f.write(b"".join(struct.pack("<3f", *v) for v in vertices()))
        f.write(b"".join(struct.pack("<B3i", 3, *t) for t in triangles()))
    with open(os.path.join(out, "grid.obj"), "w") as f:
        f.writelines("v %.4f %.4f %.4f\n" % v for v in vertices())
        f.writelines("f %d %d %d\n" % (t[0] + 1, t[1] + 1, t[2] + 1) for t in triangles())


if __name__ == "__main__":
    main()
