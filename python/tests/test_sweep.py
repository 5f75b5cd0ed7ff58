"""Sweeps on a two-worker LocalCluster: results, a killed worker, reruns."""

import csv
import io
import os
import signal
import sys
import tempfile
import unittest

import kestrum
from kestrum import sweep as sweeps

SOURCE = os.environ.get("KESTRUM_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
RECIPE = os.path.join(SOURCE, "examples", "silicon_processes.plst")
TIMES = {"6.Oxidation Time": [0.5, 1, 2, 4]}
OXIDE = "cells_3"


def killing_runner(recipe, input, settings, path, threads):
    # The point of 2 h dies as a crashed or killed run would.
    if settings["6.Oxidation Time"] == "2":
        os.kill(os.getpid(), signal.SIGKILL)
    from kestrum.sweep import run_point

    return run_point(recipe, input, settings, path, threads)


class SweepTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.client, cls.cluster = sweeps._local_client(2, 1)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.cluster.close()

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.out = self.dir.name

    def run_sweep(self, **options):
        return kestrum.sweep(RECIPE, TIMES, out=self.out, client=self.client, progress=io.StringIO(), **options)

    def summary(self):
        with open(os.path.join(self.out, "summary.csv"), newline="") as f:
            return list(csv.DictReader(f))

    def test_four_points_grow_oxide_and_rerun_skips(self):
        rows = self.run_sweep()
        self.assertEqual([r["status"] for r in rows], ["done"] * 4)
        summary = self.summary()
        self.assertEqual(len(summary), 4)
        self.assertEqual([r["6.Oxidation Time"] for r in summary], ["0.5", "1", "2", "4"])
        oxide = [int(r[OXIDE]) for r in summary]
        self.assertEqual(oxide, sorted(oxide))
        self.assertEqual(len(set(oxide)), 4)
        # The documents hold the same cells as the summary says.
        documents = [kestrum.load(os.path.join(self.out, f"point-00{i}.kst")).volume for i in range(1, 5)]
        self.assertEqual([v.material_counts()[3] for v in documents], oxide)
        # A second run keeps the finished points; --force runs them again.
        stamps = [os.stat(os.path.join(self.out, f"point-00{i}.kst")).st_mtime_ns for i in range(1, 5)]
        self.assertEqual(self.run_sweep(), rows)
        self.assertEqual([os.stat(os.path.join(self.out, f"point-00{i}.kst")).st_mtime_ns for i in range(1, 5)], stamps)
        self.run_sweep(force=True)
        self.assertNotEqual([os.stat(os.path.join(self.out, f"point-00{i}.kst")).st_mtime_ns
                             for i in range(1, 5)], stamps)

    def test_killed_worker_fails_only_its_point(self):
        rows = self.run_sweep(runner=killing_runner)
        self.assertEqual([r["status"] for r in rows], ["done", "done", "failed", "done"])
        self.assertIn("KilledWorker", rows[2]["error"])
        self.assertFalse(os.path.exists(os.path.join(self.out, "point-003.kst")))
        self.assertEqual(len(self.summary()), 4)
        # The rerun runs only the failed point.
        rows = self.run_sweep()
        self.assertEqual([r["status"] for r in rows], ["done"] * 4)

    def test_interrupted_sweep_keeps_its_finished_points(self):
        class Interrupting(io.StringIO):
            # Ctrl-C in the sweep's process once two points are in.
            def write(self, text):
                if "2/4 points" in text:
                    raise KeyboardInterrupt
                return super().write(text)

        with self.assertRaises(KeyboardInterrupt):
            kestrum.sweep(RECIPE, TIMES, out=self.out, client=self.client, progress=Interrupting())
        finished = [r["point"] for r in self.summary() if r["status"] == "done"]
        self.assertEqual(len(finished), 2)
        paths = [os.path.join(self.out, f"point-{p}.kst") for p in finished]
        stamps = [os.stat(p).st_mtime_ns for p in paths]
        self.assertEqual([r["status"] for r in self.run_sweep()], ["done"] * 4)
        self.assertEqual([os.stat(p).st_mtime_ns for p in paths], stamps)

    def test_bad_input_is_refused_before_any_work(self):
        out = os.path.join(self.out, "refused")
        for settings, message in (
                ({"6.Oxidation Tim": [1, 2]}, 'step 6 (Si Oxidation) has no parameter "Oxidation Tim"'),
                ({"1.Volume Size X": [40, "wide"]}, '"wide"'),
                ({"9.Thickness": [1]}, "step 9")):
            with self.subTest(settings=settings):
                with self.assertRaises(kestrum.RecipeError) as refused:
                    kestrum.sweep(RECIPE, settings, out=out, client=self.client, progress=None)
                self.assertIn(message, str(refused.exception))
                self.assertFalse(os.path.exists(out))
        with self.assertRaises(kestrum.RecipeError):
            kestrum.sweep(RECIPE, TIMES, input=os.path.join(self.out, "missing.kst"), out=out,
                          client=self.client, progress=None)
        self.assertFalse(os.path.exists(out))
        for argv in ([RECIPE, "--set", "Oxidation Time=1", "--out", out],
                     [RECIPE, "--set", "6.Oxidation Tim=1,2", "--out", out]):
            with self.assertRaises(SystemExit) as exited:
                sweeps.main(argv)
            self.assertEqual(exited.exception.code, 2)
        self.assertFalse(os.path.exists(out))
        # A whole-number float is a valid whole-number setting.
        kestrum.check_recipe(RECIPE, set={"1.Volume Size X": 40.0})

if __name__ == "__main__":
    sys.exit(unittest.main())
