"""The physical process modes from Python: refusals and the check script."""

import os
import subprocess
import sys
import tempfile
import unittest

import kestrum

SOURCE = os.environ.get("KESTRUM_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.environ.get("KESTRUM_BATCH_TOOL", "build/src/kestrum-batch")
SILICON = os.path.join(SOURCE, "examples", "silicon_processes.plst")
IMPLANT = "5"  # the Ion Implantation step of the list


class PhysicsTest(unittest.TestCase):
    def test_settings_outside_their_range(self):
        for key, value, said in [
                ("Energy", "900", '"Energy" of step 5 (Ion Implantation) takes a number from 5 to 300 keV, not 900.'),
                ("Species", "Sb", '"Species" of step 5 (Ion Implantation) takes one of B, P, As, not "Sb".'),
                ("Dose", "-1e12", '"Dose" of step 5 (Ion Implantation) takes a number from 0 to 1e+18')]:
            with self.subTest(key), tempfile.TemporaryDirectory() as folder:
                out = os.path.join(folder, "out.kst")
                run = subprocess.run([TOOL, SILICON, "--output", out, "--set", f"{IMPLANT}.{key}={value}"],
                                     capture_output=True, text=True)
                self.assertEqual(run.returncode, 2)
                self.assertIn(said, run.stderr)
                self.assertFalse(os.path.exists(out))
                with self.assertRaises(ValueError) as refused:
                    kestrum.run_recipe(SILICON, set={f"{IMPLANT}.{key}": value})
                self.assertIsInstance(refused.exception, kestrum.ParameterError)
                self.assertIsInstance(refused.exception, kestrum.RecipeError)
                self.assertEqual("kestrum-batch: " + str(refused.exception), run.stderr.strip().splitlines()[-1])

    def test_implant_by_species(self):
        # Cells of 0.01 µm: the boron reaches 40 of them.
        volume = kestrum.run_recipe(SILICON, cell_size=0.01, set={f"{IMPLANT}.Species": "B", f"{IMPLANT}.Energy": 50,
                                                                  f"{IMPLANT}.Dose": 1e15})
        report = volume.steps[int(IMPLANT) - 1].report
        self.assertIn("Rp 0.1586 \u00b5m", report)
        self.assertIn("junction depth 0.4042 \u00b5m", report)

    def test_check_script(self):
        script = os.path.join(SOURCE, "examples", "physics_check.py")
        run = subprocess.run([sys.executable, script], capture_output=True, text=True, timeout=150)
        self.assertEqual(run.returncode, 0, run.stderr)
        # Rows "  what | Kestrum | reference | note": each of Kestrum's figures
        # within a few per cent (or a cell) of its reference.
        rows = [line.split("|") for line in run.stdout.splitlines() if line.count("|") == 3]
        figures = [(row[0].strip(), float(row[1]), float(row[2])) for row in rows[1:]]
        self.assertEqual(len(figures), 12)
        for what, figure, reference in figures:
            with self.subTest(what):
                self.assertLess(abs(figure - reference), 0.06 * reference + 0.03, (figure, reference))


if __name__ == "__main__":
    sys.exit(unittest.main())
