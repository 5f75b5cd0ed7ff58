#!/usr/bin/python3
"""Opens the files tst_volumeexport wrote with the VTK readers and gmsh and
compares them with its manifest: cell counts, materials, origin, spacing
(the cell sizes, per axis), triangle counts, bounds in micrometres (the
extent of each material's cells, the union of them for the OBJ file), closed
surfaces, and a tetrahedral mesh per solid. Exit code 77 (skipped) when a reader is not installed."""

import json
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def close(a, b, tol=1e-4):
    return abs(a - b) <= tol * max(1.0, abs(a), abs(b))


def main():
    folder = sys.argv[1]
    try:
        import vtk
        from vtk.util.numpy_support import vtk_to_numpy
        import numpy
    except ImportError as e:
        print("SKIP: python3-vtk9 (or numpy) is not installed:", e)
        return SKIP
    gmsh = shutil.which("gmsh")
    with open(os.path.join(folder, "export-manifest.json")) as f:
        manifest = json.load(f)
    if not manifest:
        fail("empty manifest")

    for entry in manifest:
        reader = vtk.vtkXMLImageDataReader()
        reader.SetFileName(os.path.join(folder, entry["vti"]))
        reader.Update()
        image = reader.GetOutput()
        dims = [d - 1 for d in image.GetDimensions()]
        if dims != entry["size"]:
            fail("%s: cells %s, expected %s" % (entry["vti"], dims, entry["size"]))
        for got, want in zip(image.GetOrigin(), entry["origin"]):
            if not close(got, want):
                fail("%s: origin %s" % (entry["vti"], image.GetOrigin()))
        for got, want in zip(image.GetSpacing(), entry["spacing"]):
            if not close(got, want):
                fail("%s: spacing %s" % (entry["vti"], image.GetSpacing()))
        array = image.GetCellData().GetArray("material")
        if array is None:
            fail("%s: no cell data named material" % entry["vti"])
        values = vtk_to_numpy(array)
        ids, counts = numpy.unique(values, return_counts=True)
        found = {str(int(i)): int(c) for i, c in zip(ids, counts)}
        if found != entry["materials"]:
            fail("%s: materials %s, expected %s" % (entry["vti"], found, entry["materials"]))

        obj = vtk.vtkOBJReader()
        obj.SetFileName(os.path.join(folder, entry["obj"]))
        obj.Update()
        if obj.GetOutput().GetNumberOfCells() != entry["triangles"]:
            fail("%s: %d triangles, expected %d" % (entry["obj"], obj.GetOutput().GetNumberOfCells(), entry["triangles"]))
        union = []
        for axis in range(3):
            union.append(min(s["bounds"][2 * axis] for s in entry["solids"]))
            union.append(max(s["bounds"][2 * axis + 1] for s in entry["solids"]))
        for got, want in zip(obj.GetOutput().GetBounds(), union):
            if not close(got, want):
                fail("%s: bounds %s, expected %s" % (entry["obj"], obj.GetOutput().GetBounds(), union))

        for solid in entry["solids"]:
            stl = vtk.vtkSTLReader()
            stl.SetFileName(os.path.join(folder, solid["stl"]))
            stl.Update()
            mesh = stl.GetOutput()
            if mesh.GetNumberOfCells() != solid["triangles"]:
                fail("%s: %d triangles, expected %d" % (solid["stl"], mesh.GetNumberOfCells(), solid["triangles"]))
            for got, want in zip(mesh.GetBounds(), solid["bounds"]):
                if not close(got, want):
                    fail("%s: bounds %s, expected %s" % (solid["stl"], mesh.GetBounds(), solid["bounds"]))
            edges = vtk.vtkFeatureEdges()
            edges.SetInputData(mesh)
            edges.BoundaryEdgesOn()
            edges.NonManifoldEdgesOn()
            edges.FeatureEdgesOff()
            edges.ManifoldEdgesOff()
            edges.Update()
            if edges.GetOutput().GetNumberOfCells() != 0:
                fail("%s: %d open or non-manifold edges" % (solid["stl"], edges.GetOutput().GetNumberOfCells()))
            mass = vtk.vtkMassProperties()
            mass.SetInputData(mesh)
            mass.Update()
            if mass.GetVolume() <= 0:
                fail("%s: enclosed volume %g" % (solid["stl"], mass.GetVolume()))

            if gmsh is None:
                continue
            with tempfile.TemporaryDirectory() as work:
                geo = os.path.join(work, "solid.geo")
                with open(geo, "w") as f:
                    f.write('Merge "%s";\nSurface Loop(1) = {1};\nVolume(1) = {1};\n'
                            % os.path.abspath(os.path.join(folder, solid["stl"])))
                msh = os.path.join(work, "solid.msh")
                run = subprocess.run([gmsh, geo, "-3", "-format", "msh2", "-o", msh],
                                     capture_output=True, text=True, timeout=300)
                if run.returncode != 0 or "Error" in run.stdout + run.stderr:
                    fail("gmsh could not mesh %s:\n%s%s" % (solid["stl"], run.stdout, run.stderr))
                tetrahedra = 0
                with open(msh) as f:
                    lines = f.read().split("\n")
                start = lines.index("$Elements")
                for line in lines[start + 2:]:
                    if line.startswith("$"):
                        break
                    if len(line.split()) > 1 and line.split()[1] == "4":
                        tetrahedra += 1
                if tetrahedra == 0:
                    fail("gmsh built no tetrahedra from %s" % solid["stl"])
                print("%s: %d triangles, %d tetrahedra" % (solid["stl"], solid["triangles"], tetrahedra))
    if gmsh is None:
        print("SKIP: the gmsh command is not installed; the readers' checks passed")
        return SKIP
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
