#!/usr/bin/env python3
"""Sweep overhead and the cost of reading cells from Python.

    PYTHONPATH=build/python python3 bench/bench_sweep.py [--points 16]

1. A 16-point sweep of a 128 x 128 x 64 recipe (substrate and a CVD film of
   16 thicknesses) on a two-worker LocalCluster, against the sum of the same
   runs one after another in this process (one thread each): the sweep
   should take no more than 1.3 x (sum / 2). Starting the cluster and loading
   the module in its workers are not counted.
2. volume.cells on a 512 x 512 x 500 volume (131 M cells): a view, no copy.
"""

import argparse
import os
import sys
import tempfile
import time

import kestrum
from kestrum import sweep as sweeps


def parameter(name, kind, data):
    return f'<Parameter parameter-name="{name}" parameter-type="{kind}" parameter-data="{data}"/>'


def recipe(nx, ny, nz, substrate_z, film=True):
    create = '<Process-Data process-type="11">' + parameter("Lower Left Front Corner", "Util::Vector3D", "0;0;0")
    create += parameter("MaterialId", "uint", "1") + parameter("SphericalSubstrate", "bool", "false")
    for axis, size, sub in (("X", nx, nx), ("Y", ny, ny), ("Z", nz, substrate_z)):
        create += parameter(f"Substrate Delta {axis}", "uint", "0")
        create += parameter(f"Substrate Size {axis}", "uint", sub) + parameter(f"Volume Size {axis}", "uint", size)
    create += "</Process-Data>"
    cvd = ('<Process-Data process-type="4">' + parameter("MaterialId", "uint", "3")
           + parameter("Thickness", "double", "1") + "</Process-Data>") if film else ""
    return f'<?xml version="1.0"?><Process-List>{create}{cvd}</Process-List>'


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--points", type=int, default=16)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="kestrum-bench-")
    path = os.path.join(work, "film.plst")
    with open(path, "w") as f:
        f.write(recipe(128, 128, 64, 24))
    thickness = [str(2 + 2 * i) for i in range(args.points)]

    singles = 0.0
    for t in thickness:
        start = time.perf_counter()
        volume = kestrum.run_recipe(path, set={"2.Thickness": t}, threads=1)
        kestrum.save(volume, os.path.join(work, "single.kst"))
        singles += time.perf_counter() - start

    start = time.perf_counter()
    client, cluster = sweeps._local_client(2, 1)
    # The workers load the module once, as this process did before its
    # single runs: part of starting the cluster, not of any point.
    client.run(lambda: __import__("kestrum"))
    startup = time.perf_counter() - start
    start = time.perf_counter()
    rows = kestrum.sweep(path, {"2.Thickness": thickness}, out=os.path.join(work, "sweep"), client=client,
                         progress=None)
    swept = time.perf_counter() - start
    client.close()
    cluster.close()
    failed = [r for r in rows if r["status"] != "done"]
    ideal = singles / 2
    print(f"sweep of {args.points} points, 128x128x64: single runs {singles:.2f} s in all, "
          f"ideal on two workers {ideal:.2f} s, sweep {swept:.2f} s = {swept / ideal:.2f} x ideal "
          f"(LocalCluster start {startup:.2f} s, not counted); failed points: {len(failed)}")

    with open(path, "w") as f:
        f.write(recipe(512, 512, 500, 250, film=False))
    big = kestrum.run_recipe(path, threads=2)
    start = time.perf_counter()
    cells = big.cells
    viewed = time.perf_counter() - start
    start = time.perf_counter()
    middle = int(cells[249, 256, 256]), int(cells[250, 256, 256])
    print(f"volume.cells on {cells.size / 1e6:.0f} M cells: {viewed * 1000:.3f} ms "
          f"(shape {cells.shape}, one read {1e6 * (time.perf_counter() - start):.1f} us, cells {middle})")
    return 1 if failed or swept > 1.3 * ideal or viewed >= 0.1 else 0


if __name__ == "__main__":
    sys.exit(main())
