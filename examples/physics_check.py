#!/usr/bin/env python3
"""Runs each physical process mode on a small volume and prints Kestrum's
figures beside the published reference values, so a user sees how far to
trust them.

    PYTHONPATH=build/python python3 examples/physics_check.py

For each mode it prints what the model computes (from the step's finish
line) and what the volume shows (counted in cells, within one cell of the
model), next to the reference:
  - KOH etch rate, Seidel et al., J. Electrochem. Soc. 137 (1990) 3612;
  - wet oxide thickness, Deal and Grove, J. Appl. Phys. 36 (1965) 3770;
  - implant range and straggle, Selberherr, Analysis and Simulation of
    Semiconductor Devices (Springer 1984);
  - junction depths from the Gaussian and erfc profiles with Fair's
    intrinsic diffusivities (Plummer, Deal and Griffin, Silicon VLSI
    Technology, 2000), worked out here by hand.
"""

import math
import os
import re
import sys
import tempfile
from xml.sax.saxutils import quoteattr

import kestrum

SILICON = 1


def parameter(name, kind, value):
    return (f"        <Parameter parameter-name={quoteattr(name)} parameter-type={quoteattr(kind)} "
            f"parameter-data={quoteattr(str(value))} parameter-visibility=\"true\"/>\n")


def kind_of(name, value):
    if name == "Lower Left Front Corner":
        return "Util::Vector3D"
    if isinstance(value, bool):
        return "bool"
    if isinstance(value, int):
        return "uint"
    if isinstance(value, float):
        return "double"
    return "QString"


def step(code, values):
    text = f"    <Process-Data process-type=\"{code}\">\n"
    for name, value in values.items():
        text += parameter(name, kind_of(name, value), "true" if value is True else "false" if value is False else value)
    return text + "    </Process-Data>\n"


def recipe(path, side, height, silicon, cell, code, values):
    """A silicon block `silicon` cells high in a side x side x height volume
    of cubic cells of `cell` µm, then one step of process-list code `code`."""
    substrate = {
        "MaterialId": SILICON, "Lower Left Front Corner": "0;0;0", "SphericalSubstrate": False,
        "Volume Size X": side, "Volume Size Y": side, "Volume Size Z": height,
        "Substrate Size X": side, "Substrate Size Y": side, "Substrate Size Z": silicon,
        "Substrate Delta X": 0, "Substrate Delta Y": 0, "Substrate Delta Z": 0,
        "Cell Size X": float(cell), "Cell Size Y": float(cell), "Cell Size Z": float(cell),
    }
    with open(path, "w", encoding="utf-8") as f:
        f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Process-List>\n")
        f.write(step(11, substrate))
        f.write(step(code, values))
        f.write("</Process-List>\n")
    return path


def figure(report, label, unit="\u00b5m"):
    """The number after `label` in a finish line ("Rp 0.1586 µm")."""
    match = re.search(re.escape(label) + r"\s*([-+0-9.e]+)\s*" + re.escape(unit), report)
    return float(match.group(1)) if match else float("nan")


def middle_column(volume):
    nz, ny, nx = volume.shape
    return [int(v) for v in volume.cells[:, ny // 2, nx // 2]]


def run(folder, name, side, height, silicon, cell, code, values):
    volume = kestrum.run_recipe(recipe(os.path.join(folder, name + ".plst"), side, height, silicon, cell, code,
                                       values))
    last = volume.steps[-1]
    if not last.done:
        sys.exit(f"{name}: {last.report}")
    return volume, last.report


def line(what, kestrum_figure, reference, note=""):
    print(f"  {what:<36} | {kestrum_figure:>9} | {reference:>9} | {note}")


def main():
    print(f"Kestrum {kestrum.__version__}: physical modes against their references\n")
    print(f"  {'':<36} | {'Kestrum':>9} | {'reference':>9} |")
    with tempfile.TemporaryDirectory() as folder:
        # KOH: 30 wt % at 70 °C for 10 min, 0.5 µm cells.
        cell = 0.5
        volume, report = run(folder, "koh", 40, 24, 20, cell, 1,
                             {"Etchant": "KOH", "Concentration": 30.0, "Temperature": 70.0, "Etch Time": 10.0})
        rate = figure(report, "(100) rate", "\u00b5m/min")
        etched = sum(1 for m in middle_column(volume)[:20] if m != SILICON) * cell
        print("Wet etching, KOH 30 wt %, 70 \u00b0C, 10 min (Seidel et al. 1990)")
        line("(100) rate, \u00b5m/min", f"{rate:.3f}", "0.77")
        line("depth etched on the volume, \u00b5m", f"{etched:.2f}", f"{10 * rate:.2f}", f"cells of {cell} \u00b5m")

        # Wet oxidation, 1 h at 1000 °C from bare silicon, 0.025 µm cells.
        cell = 0.025
        volume, report = run(folder, "wet", 6, 60, 30, cell, 15,
                             {"OxidationTimeSet": True, "Micron Conversion": 1.0, "Oxidation Time": 1.0,
                              "Oxidation Temperature": 1273.15, "Oxidation Pressure": 1.0,
                              "Oxidation Ambient": "wet"})
        grown = sum(1 for m in middle_column(volume) if m == 3) * cell
        print("Thermal oxidation, wet, 1000 \u00b0C, 1 h (Deal and Grove 1965)")
        line("oxide thickness (model), \u00b5m", f"{figure(report, 'thickness'):.3f}", "0.435", "their table")
        line("oxide on the volume, \u00b5m", f"{grown:.3f}", "0.435", f"cells of {cell} \u00b5m")

        # Implants: range and straggle, then the junction of boron, 50 keV, 1e15 cm-2.
        print("Ion implantation (Selberherr 1984)")
        for species, kev, rp, drp in (("B", 50.0, 0.159, 0.052), ("P", 100.0, 0.124, 0.045)):
            _, report = run(folder, f"implant-{species}", 4, 40, 30, 0.01, 14,
                            {"Species": species, "Energy": kev, "Dose": 1e15})
            line(f"{species} {kev:.0f} keV: Rp, \u00b5m", f"{figure(report, 'Rp'):.4f}", f"{rp}")
            line(f"{species} {kev:.0f} keV: \u0394Rp, \u00b5m", f"{figure(report, chr(0x394) + 'Rp'):.4f}", f"{drp}")
        cell = 0.01
        volume, report = run(folder, "junction", 4, 60, 50, cell, 14, {"Species": "B", "Energy": 50.0, "Dose": 1e15})
        peak = 1e15 / (math.sqrt(2 * math.pi) * 0.05177 * 1e-4)
        junction = 0.15863 + 0.05177 * math.sqrt(2 * math.log(peak / 1e15))
        doped = [i for i, m in enumerate(middle_column(volume)[:50]) if m == 15]
        reached = (50 - min(doped)) * cell if doped else 0.0
        line("B 50 keV, 1e15: junction, \u00b5m", f"{figure(report, 'junction depth'):.4f}", f"{junction:.4f}",
             "Gaussian into 1e15 cm\u207b\u00b3")
        line("junction on the volume, \u00b5m", f"{reached:.3f}", f"{junction:.4f}", f"cells of {cell} \u00b5m")

        # Diffusion: phosphorus from 1e20 cm-3 at the surface, 30 min at 1000 °C.
        volume, report = run(folder, "diffusion", 4, 50, 40, cell, 8,
                             {"MaterialId": SILICON, "Doping Depth": 1.0, "Doping Type": 0, "Species": "P",
                              "Surface Concentration": 1e20, "Temperature": 1000.0, "Diffusion Time": 30.0})
        d = 3.85 * math.exp(-3.66 / (8.617333262e-5 * 1273.15)) * 1e8  # µm^2/s
        # erfc(x) = 1e-5 at x = 3.123413.
        junction = 2 * math.sqrt(d * 1800) * 3.123413
        doped = [i for i, m in enumerate(middle_column(volume)[:40]) if m == 14]
        reached = (40 - min(doped)) * cell if doped else 0.0
        print("Diffusion from a surface source (Fair's diffusivities)")
        line("P 1e20, 1000 \u00b0C, 30 min: junction", f"{figure(report, 'junction depth'):.4f}", f"{junction:.4f}",
             "erfc into 1e15 cm\u207b\u00b3")
        line("junction on the volume, \u00b5m", f"{reached:.3f}", f"{junction:.4f}", f"cells of {cell} \u00b5m")


if __name__ == "__main__":
    main()
