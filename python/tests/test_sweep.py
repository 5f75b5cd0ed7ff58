"""Sweeps on a two-worker LocalCluster: results, a killed worker, reruns."""

import csv
import io
import os
import shutil
import signal
import sys
import tempfile
import unittest

import numpy as np

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

    def test_rerun_after_a_source_changed_runs_the_points_again(self):
        recipe = os.path.join(self.out, "recipe.plst")
        shutil.copy(RECIPE, recipe)
        document = os.path.join(self.out, "start.kst")
        kestrum.save(kestrum.Volume(np.ones((1, 1, 1), dtype=np.uint32)), document)
        results = os.path.join(self.out, "results")
        paths = [os.path.join(results, f"point-00{i}.kst") for i in (1, 2)]

        def run():
            """The rows, what the sweep said and whether it wrote the points again."""
            stamps = [os.stat(p).st_mtime_ns if os.path.exists(p) else None for p in paths]
            said = io.StringIO()
            rows = kestrum.sweep(recipe, {"6.Oxidation Time": [0.5, 1]}, input=document, out=results,
                                 client=self.client, progress=said)
            self.assertEqual([r["status"] for r in rows], ["done"] * 2)
            return rows, said.getvalue(), [os.stat(p).st_mtime_ns for p in paths] != stamps

        def append(path, data):
            with open(path, "ab") as f:
                f.write(data)

        def drop_keys():
            with open(os.path.join(results, "summary.csv"), newline="") as f:
                rows = list(csv.DictReader(f))
            with open(os.path.join(results, "summary.csv"), "w", newline="") as f:
                writer = csv.DictWriter(f, [c for c in rows[0] if c != "key"], extrasaction="ignore")
                writer.writeheader()
                writer.writerows(rows)

        rows, _, _ = run()
        self.assertEqual(len({r["key"] for r in rows}), 2)
        # The run has written the catalogues if there were none.
        catalogue = sweeps._catalogue_paths()[0]
        with open(catalogue, "rb") as f:
            kept = f.read()

        def restore():
            with open(catalogue, "wb") as f:
                f.write(kept)

        self.addCleanup(restore)
        changes = [
            ("recipe", lambda: append(recipe, b"\n")),
            ("input document",
             lambda: kestrum.save(kestrum.Volume(np.ones((1, 1, 1), dtype=np.uint32), cell_size=(2, 2, 2)), document)),
            ("material catalogue", lambda: append(catalogue, b"<!-- changed -->\n")),
            ("summary written before points had keys", drop_keys),
        ]
        for label, change in changes:
            with self.subTest(label):
                change()
                rows, said, rewritten = run()
                self.assertTrue(rewritten)
                self.assertIn("running points 001, 002 again", said)
                # Nothing changed since: both are kept.
                _, said, rewritten = run()
                self.assertFalse(rewritten)
                self.assertNotIn("again", said)

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
        with self.assertRaises(ValueError):
            kestrum.sweep(RECIPE, {"6.Oxidation Time": [1, float("inf")]}, out=out, client=self.client, progress=None)
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
