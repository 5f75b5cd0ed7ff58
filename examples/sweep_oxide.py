#!/usr/bin/env python3
"""Sweeps the oxidation time of examples/silicon_processes.plst and plots the
oxide thickness against time next to the Deal-Grove curve.

    PYTHONPATH=build/python python3 examples/sweep_oxide.py [--out DIR] [--scheduler tcp://HOST:PORT]

Writes DIR/point-NNN.kst, DIR/summary.csv and DIR/oxide_thickness.png.
"""

import argparse
import math
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import kestrum  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
RECIPE = os.path.join(HERE, "silicon_processes.plst")
STEP = "6"  # the Si Oxidation step of the recipe
KELVIN, ATMOSPHERES, CELLS_PER_MICRON = 1273.0, 1.0, 100.0


def deal_grove_microns(hours, kelvin=KELVIN, atmospheres=ATMOSPHERES):
    """The thickness the oxidation step grows (25 nm native oxide to start)."""
    r = 1000.0 / kelvin
    parabolic = atmospheres * 0.999264839884312 * 1297.907373 * math.exp(-14.92366568 * r)
    linear = atmospheres * 7973245.767 * math.exp(-23.43965534 * r)  # the pressure scales B and B/A alike
    a = parabolic / linear
    tau = (0.025 * a + 0.000625) / parabolic
    return (math.sqrt(a * a + 4.0 * parabolic * (hours + tau)) - a) / 2.0


def oxide_microns(volume):
    """The oxide thickness in the middle column of the volume, in microns."""
    names = {i: kestrum.Volume.material_name(i) for i in volume.material_counts() if i}
    # "Thermal Si02" in the catalogue, spelt with a zero.
    oxide = [i for i, name in names.items() if "sio2" in name.lower().replace("0", "o")]
    nz, ny, nx = volume.shape
    column = volume.cells[:, ny // 2, nx // 2]
    cells = sum(int((column == i).sum()) for i in oxide)
    return cells * volume.cell_size[2] / CELLS_PER_MICRON


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default="sweep_oxide")
    parser.add_argument("--scheduler", help="a running Dask scheduler; default: a LocalCluster")
    parser.add_argument("--workers", type=int, default=2)
    args = parser.parse_args()

    hours = [0.25, 0.5, 1, 2, 3, 4, 6, 8]
    rows = kestrum.sweep(RECIPE, {f"{STEP}.Oxidation Time": hours}, out=args.out, scheduler=args.scheduler,
                         workers=args.workers)
    times, thickness = [], []
    for time, row in zip(hours, rows):
        if row["status"] != "done":
            print(f"point {row['point']} ({time} h) failed: {row['error']}")
            continue
        volume = kestrum.load(os.path.join(args.out, f"point-{row['point']}.kst")).volume
        times.append(time)
        thickness.append(oxide_microns(volume))

    curve = [h / 20 for h in range(0, 161)]
    plt.figure(figsize=(6, 4))
    plt.plot(curve, [deal_grove_microns(h) for h in curve], label=f"Deal-Grove, {KELVIN:.0f} K, dry")
    plt.plot(times, thickness, "o", label="simulated (middle column)")
    plt.xlabel("oxidation time (h)")
    plt.ylabel("oxide thickness (um)")
    plt.legend()
    plt.grid(alpha=0.3)
    png = os.path.join(args.out, "oxide_thickness.png")
    plt.tight_layout()
    plt.savefig(png, dpi=120)
    print(png)


if __name__ == "__main__":
    main()
