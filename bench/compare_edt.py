#!/usr/bin/python3
"""Compares the surface-front deposition with an exact Euclidean distance transform.

Builds the pillar field of bench_surfacefront.cpp (256 x 256 x 128 cells, a
silicon base of 32 layers carrying 16 x 16 x 32 pillars at pitch 32), times
scipy.ndimage.distance_transform_edt plus the threshold that gives the same
deposition (every empty cell within 20 of a non-empty one), reads the
deposition written by "bench_surfacefront --dump-deposition" and counts the
cells on which the two disagree. It also runs the deposition benchmark and
prints both timings and their ratio.

    bench/compare_edt.py [path/to/bench_surfacefront]

Needs Debian's python3-numpy and python3-scipy (hence /usr/bin/python3).
"""

import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy import ndimage

NX, NY, NZ = 256, 256, 128
BASE, PITCH, WIDTH, OFFSET, HEIGHT = 32, 32, 16, 8, 32
SILICON, FILM = 1, 2
THICKNESS = 20.0
RUNS = 3


def pillar_field():
    ids = np.zeros((NX, NY, NZ), dtype=np.uint32)
    ids[:, :, :BASE] = SILICON
    pillar = (np.arange(NX) % PITCH >= OFFSET) & (np.arange(NX) % PITCH < OFFSET + WIDTH)
    columns = pillar[:, None] & pillar[None, :]
    ids[columns, BASE:BASE + HEIGHT] = SILICON
    return ids


def exact_deposition(ids):
    empty = ids == 0
    distance = ndimage.distance_transform_edt(empty)
    return empty & (distance <= THICKNESS)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, os.pardir, "build", "bench", "bench_surfacefront")
    program = sys.argv[1] if len(sys.argv) > 1 else default
    if not os.access(program, os.X_OK):
        sys.exit(f"benchmark program not found: {program} (build it first or pass its path)")

    ids = pillar_field()
    timings = []
    for _ in range(RUNS):
        start = time.perf_counter()
        exact = exact_deposition(ids)
        timings.append(time.perf_counter() - start)
    edt_ms = min(timings) * 1000.0

    with tempfile.TemporaryDirectory() as folder:
        raw = os.path.join(folder, "deposition.raw")
        subprocess.run([program, "--dump-deposition", raw], check=True)
        result = np.fromfile(raw, dtype="<u4")
    if result.size != ids.size:
        sys.exit(f"deposition dump has {result.size} cells, expected {ids.size}")
    result = result.reshape((NX, NY, NZ))
    filled = (ids == 0) & (result == FILM)
    if np.any((ids != 0) & (result != ids)):
        sys.exit("the deposition changed non-empty cells")

    only_front = filled & ~exact
    only_exact = exact & ~filled
    differing = int(only_front.sum() + only_exact.sum())

    report = subprocess.run(
        [program, "--benchmark_filter=BM_IsotropicDeposition/0", "--benchmark_format=json",
         f"--benchmark_repetitions={RUNS}"],
        check=True, capture_output=True, text=True)
    runs = [b for b in json.loads(report.stdout)["benchmarks"] if b.get("run_type") == "iteration"]
    front_ms = min(b["real_time"] for b in runs)

    print(f"grid                     {NX} x {NY} x {NZ}, thickness {THICKNESS:g}")
    print(f"cells filled (front)     {int(filled.sum())}")
    print(f"cells filled (exact)     {int(exact.sum())}")
    print(f"differing cells          {differing} ({int(only_front.sum())} only by the front, "
          f"{int(only_exact.sum())} only by the exact transform)")
    print(f"surface-front deposition {front_ms:.1f} ms (best of {RUNS})")
    print(f"exact transform + cut    {edt_ms:.1f} ms (best of {RUNS})")
    print(f"ratio (exact / front)    {edt_ms / front_ms:.2f}")
    if only_front.any() or only_exact.any():
        where = np.argwhere(only_front | only_exact)[:5]
        print("first differing cells   " + ", ".join(str(tuple(int(v) for v in w)) for w in where))
    return 0


if __name__ == "__main__":
    sys.exit(main())
