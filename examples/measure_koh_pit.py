#!/usr/bin/env python3
"""Wet-etches the oxide-masked (100) silicon wafer of examples/masked_wafer.kst
with examples/si_wet_etch_pyramid.plst and measures the pit on its middle cross
section against the crystal geometry: the {111} walls rise at 54.74 degrees to
the (100) surface, so the flat bottom is narrower than the opening by
2 * depth / tan(54.74 degrees).

    PYTHONPATH=build/python python3 examples/measure_koh_pit.py [--out DIR]

Prints the measured and the expected numbers and writes DIR/pit_section.svg.
"""

import argparse
import math
import os

import kestrum

HERE = os.path.dirname(os.path.abspath(__file__))
RECIPE = os.path.join(HERE, "si_wet_etch_pyramid.plst")
WAFER = os.path.join(HERE, "masked_wafer.kst")
WALL_DEGREES = math.degrees(math.atan(math.sqrt(2.0)))  # (100) to {111}: 54.74


def etched_wafer():
    """The wafer after the recipe's wet etch."""
    return kestrum.run_recipe(RECIPE, input=WAFER)


def measure_pit(volume, axis="y"):
    """The pit on the section through the middle of `volume` across `axis`
    ("x" or "y"), next to what the crystal geometry gives for the opening the
    mask leaves. Lengths in µm, angles in degrees to the surface."""
    along = "xyz".index(axis)
    cells = volume.shape[2 - along]  # shape is (nz, ny, nx)
    at = volume.origin[along] + cells // 2 * volume.cell_size[along]
    section = kestrum.section(volume, axis, at)
    silicon = 1
    mask = next(m for m in section.materials if m != silicon)
    # The silicon surface, read in the untouched corner column.
    corner = kestrum.stack(volume, volume.origin[0], volume.origin[1])
    silicon_top = next(top for material, bottom, top in corner if material == silicon)
    pit = kestrum.trench(volume, axis, at, mask=mask)
    opening = pit["top_width"]  # the mask's opening: the trench's top rows lie in it
    depth = silicon_top - pit["bottom"]
    return {
        "section": section,
        "mask": mask,
        "silicon_top": silicon_top,
        "opening": opening,
        "depth": depth,
        "bottom_width": pit["bottom_width"],
        "angle_left": pit["angle_left"],
        "angle_right": pit["angle_right"],
        "undercut": pit["undercut"],
        "expected_angle": WALL_DEGREES,
        "expected_bottom_width": opening - 2.0 * depth / math.tan(math.radians(WALL_DEGREES)),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=".", help="folder for pit_section.svg (default: here)")
    args = parser.parse_args()

    volume = etched_wafer()
    for step in volume.steps:
        print(f"step {step.step} {step.name}: {step.report}")
    pit = measure_pit(volume)
    section = pit["section"]
    print(f"section {section.axis} = {section.at:g} um, {kestrum.Volume.material_name(pit['mask'])} mask "
          f"on Si, cells {volume.cell_size[0]:g} um")
    rows = [
        ("etch depth below the Si surface", pit["depth"], None, "um"),
        ("top width (the mask's opening)", pit["opening"], None, "um"),
        ("bottom width", pit["bottom_width"], pit["expected_bottom_width"], "um"),
        ("left wall angle", pit["angle_left"], pit["expected_angle"], "deg"),
        ("right wall angle", pit["angle_right"], pit["expected_angle"], "deg"),
        ("undercut under the mask", pit["undercut"], 0.0, "um"),
    ]
    print(f"{'':34}{'measured':>10}{'crystal':>10}")
    for name, measured, expected, unit in rows:
        shown = "-" if measured is None else f"{measured:.2f}"
        wanted = "" if expected is None else f"{expected:.2f}"
        print(f"{name:34}{shown:>10}{wanted:>10} {unit}")
    os.makedirs(args.out, exist_ok=True)
    picture = os.path.join(args.out, "pit_section.svg")
    section.save(picture)
    print(picture)


if __name__ == "__main__":
    main()
