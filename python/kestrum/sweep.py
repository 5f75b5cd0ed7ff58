"""Parameter sweeps of a recipe as Dask tasks.

    python3 -m kestrum.sweep RECIPE.plst --input DOC.kst --set 3.Thickness=2,4,8,16 --out DIR

runs one point per combination of the --set values, each as a task on a Dask
cluster (a LocalCluster on this machine by default, or a running scheduler
given by --scheduler tcp://HOST:PORT), writes DIR/point-NNN.kst per point and
DIR/summary.csv (point, parameters, status, seconds, cells per material).
A point that fails, even by killing its worker process, is reported as failed
in the summary while the others finish. Finished points of an earlier run
into the same folder are kept and not run again unless force is given, or
unless what they ran from changed: each finished point's row holds a key, the
SHA-256 of the recipe, the input document, the material and process
catalogues, the point's values and the module's version, and a point whose
key differs from the one these give now is run again.
"""

import argparse
import ctypes
import csv
import hashlib
import itertools
import json
import math
import os
import sys
import time
import types

SUMMARY = "summary.csv"
FIXED_COLUMNS = ["point", "status", "seconds", "error", "key"]


_allocator_checked = False


def _restore_allocator_reuse():
    """A Dask nanny starts its workers with MALLOC_TRIM_THRESHOLD_ set, which
    also fixes the C library's mmap threshold at 128 KiB: every volume-sized
    buffer of a run is then mapped afresh and faulted in page by page, and a
    point runs about 2.5 times slower than on its own. This sets both limits
    to the highest values the C library would reach by itself (64-bit glibc:
    mmap threshold 32 MiB, trim threshold twice that), once per process."""
    global _allocator_checked
    if _allocator_checked:
        return
    _allocator_checked = True
    if "MALLOC_TRIM_THRESHOLD_" not in os.environ:
        return
    try:
        libc = ctypes.CDLL("libc.so.6")
    except OSError:  # not the GNU C library: its own rules stand
        return
    m_trim_threshold, m_mmap_threshold = -1, -3
    libc.mallopt(m_mmap_threshold, 32 << 20)
    libc.mallopt(m_trim_threshold, 64 << 20)


def run_point(recipe, input, settings, path, threads):
    """Runs one point in the worker and writes its document; returns the
    seconds it took and the cells per material id."""
    import kestrum

    _restore_allocator_reuse()
    start = time.perf_counter()
    volume = kestrum.run_recipe(recipe, input=input, set=settings, threads=threads)
    kestrum.save(volume, path)
    return {
        "seconds": time.perf_counter() - start,
        "counts": volume.material_counts(),
        "skipped": [f"step {s.step} {s.name}: {s.reason}" for s in volume.skipped],
    }


def _setting_text(value):
    """A value as the process list writes it; 4.0 is written 4, so that
    whole-number parameters take it as well."""
    if isinstance(value, bool):
        return str(value).lower()
    if isinstance(value, float) and not math.isfinite(value):
        raise ValueError(f"{value!r} is no value for a parameter; a parameter takes a finite number")
    if isinstance(value, float) and value.is_integer() and abs(value) < 1e15:
        return str(int(value))
    return str(value)


def parse_setting(text):
    """ "3.Thickness=2,4,8" -> ("3.Thickness", ["2", "4", "8"])"""
    key, sep, values = text.partition("=")
    step, dot, name = key.partition(".")
    if not sep or not dot or not step.strip().isdigit() or not name.strip() or not values.strip():
        raise ValueError(f'--set "{text}": give STEP.PARAM=V1,V2,..., STEP the step\'s number in the list '
                         "(for example 3.Thickness=2,4,8).")
    return key.strip(), [v.strip() for v in values.split(",")]


def points_of(settings):
    """Every combination of the values, in order: a list of {key: value}."""
    keys = list(settings)
    return [dict(zip(keys, combo)) for combo in itertools.product(*(settings[k] for k in keys))]


def _catalogue_paths():
    """The catalogue files a run reads: in the folder "Kestrum" of the home
    directory ($HOME), or in the home directory itself when that is missing."""
    home = os.path.expanduser("~")
    folder = os.path.join(home, "Kestrum")
    base = folder if os.path.isdir(folder) else home
    return [os.path.join(base, name) for name in ("materials.xml", "processes.xml")]


def _sources_hash(recipe, input, version):
    """A SHA-256 under way over everything every point runs from; a file that
    is missing counts as such, not as empty."""
    digest = hashlib.sha256()

    def part(data):
        digest.update(len(data).to_bytes(8, "little"))
        digest.update(data)

    for path in [recipe, input, *_catalogue_paths()]:
        if path is None or not os.path.isfile(path):
            part(b"missing")
            continue
        part(b"file")
        with open(path, "rb") as f:
            part(f.read())
    part(str(version).encode())
    return digest


def point_key(sources, point):
    """The key of one point: the sources' hash and the point's values."""
    digest = sources.copy()
    digest.update(json.dumps(point, sort_keys=True).encode())
    return digest.hexdigest()


def _read_summary(path):
    if not os.path.isfile(path):
        return {}
    with open(path, newline="") as f:
        return {row["point"]: row for row in csv.DictReader(f)}


def _bar(done, total, failed, stream):
    if stream is None:
        return
    width = 30
    filled = width * done // max(total, 1)
    stream.write(f"\r[{'#' * filled}{'-' * (width - filled)}] {done}/{total} points"
                 + (f", {failed} failed" if failed else ""))
    if done == total:
        stream.write("\n")
    stream.flush()


def _local_client(workers, threads):
    import dask
    from distributed import Client, LocalCluster

    # A point whose worker dies fails at once instead of being retried on
    # (and killing) the others, and each worker holds one point at a time,
    # so a death takes no queued point with it.
    dask.config.set({"distributed.scheduler.allowed-failures": 0,
                     "distributed.scheduler.worker-saturation": 1.0})
    cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                           dashboard_address=None)
    return Client(cluster), cluster


def sweep(recipe, set, input=None, out=".", scheduler=None, client=None, workers=2, threads=1,
          force=False, progress=sys.stderr, runner=run_point):
    """Runs `recipe` once per combination of the values in `set`
    ({"3.Thickness": [2, 4, 8]}) and returns the summary rows (dicts).

    Each point is a Dask task: on `client` when given, else on the scheduler at
    `scheduler` ("tcp://HOST:PORT"), else on a new LocalCluster of `workers`
    processes. `threads` is the worker threads of each run. `runner` is the
    function run per point (run_point, or one wrapping it)."""
    from distributed import Client, as_completed

    import kestrum

    settings = {str(k): [_setting_text(v) for v in values] for k, values in set.items()}
    recipe = os.path.abspath(os.fspath(recipe))
    input = os.path.abspath(os.fspath(input)) if input is not None else None
    # Every point is checked before anything is started or written: a step or
    # parameter the recipe does not have, a value of the wrong kind or an
    # input that cannot be read raises RecipeError here, as run_recipe would.
    for index, point in enumerate(points_of(settings)):
        kestrum.check_recipe(recipe, input if index == 0 else None, point)
    os.makedirs(out, exist_ok=True)
    summary_path = os.path.join(out, SUMMARY)
    earlier = {} if force else _read_summary(summary_path)
    # Hashed after the check, which writes the catalogues when they are missing.
    sources = _sources_hash(recipe, input, kestrum.__version__)

    rows, pending, keys, stale = {}, {}, {}, []
    for index, point in enumerate(points_of(settings), start=1):
        name = f"{index:03d}"
        path = os.path.abspath(os.path.join(out, f"point-{name}.kst"))
        keys[name] = point_key(sources, point)
        before = earlier.get(name)
        if (before and before.get("status") == "done" and os.path.isfile(path)
                and all(before.get(k) == v for k, v in point.items())):
            if before.get("key") == keys[name]:
                rows[name] = before
                continue
            stale.append(name)  # also a row written before points had keys
        rows[name] = {"point": name, **point}
        pending[name] = (point, path)
    if stale and progress is not None:
        progress.write(f"kestrum.sweep: running point{'s' if len(stale) > 1 else ''} {', '.join(stale)} again: "
                       "the recipe, the input document, the catalogues or the module changed since "
                       f"{'they' if len(stale) > 1 else 'it'} finished.\n")

    own = None
    if client is None:
        if scheduler:
            client = Client(scheduler)
        else:
            client, own = _local_client(workers, threads)
    failed = 0
    done = len(rows) - len(pending)

    def run(names):
        """Runs the named points at once; returns those lost with a dead worker."""
        nonlocal failed, done
        lost = []
        futures = {client.submit(runner, recipe, input, pending[name][0], pending[name][1], threads,
                                 key=f"kestrum-point-{name}-{time.time_ns()}", pure=False): name
                   for name in names}
        for future in as_completed(futures):
            name = futures[future]
            row = rows[name]
            try:
                result = future.result()
            except BaseException as error:  # a refused recipe, a killed worker ...
                failed += 1
                row.update(status="failed", error=f"{type(error).__name__}: {error}")
                if type(error).__name__ == "KilledWorker":
                    lost.append(name)
                try:
                    os.remove(pending[name][1])
                except OSError:
                    pass
            else:
                row.update(status="done", seconds=f"{result['seconds']:.3f}", error="; ".join(result["skipped"]),
                           key=keys[name])
                for material, count in result["counts"].items():
                    row[f"cells_{material}"] = str(count)
            done += 1
            # Written after every point: an interrupted sweep still knows
            # which points finished, and a second run keeps them.
            _write_summary(summary_path, rows, settings)
            _bar(done, len(rows), failed, progress)
        return lost

    try:
        _bar(done, len(rows), failed, progress)
        lost = run(list(pending))
        # A point whose run kills its worker also takes down the points queued
        # on that worker. When more than one point was lost that way, each is
        # run once more on its own, so only the point that kills is reported.
        if len(lost) > 1:
            for name in lost:
                failed -= 1
                done -= 1
                run([name])
    finally:
        if own is not None:
            client.close()
            own.close()

    return _write_summary(summary_path, rows, settings)


def _write_summary(path, rows, settings):
    """Replaces the summary with the rows as they stand (points not finished
    yet have no status); returns the rows in point order."""
    ordered = [rows[k] for k in sorted(rows)]
    columns = ["point", *settings, "status", "seconds", "error", "key"]
    materials = sorted({k for r in ordered for k in r if k.startswith("cells_")}, key=lambda k: int(k[6:]))
    with open(path + ".tmp", "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=columns + materials, restval="0", extrasaction="ignore")
        writer.writeheader()
        for r in ordered:
            writer.writerow({**{c: "" for c in ("status", "seconds", "error", "key")}, **r})
    os.replace(path + ".tmp", path)
    return ordered


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m kestrum.sweep",
                                     description="Runs a recipe once per combination of parameter values, "
                                                 "each point as a Dask task.")
    parser.add_argument("recipe", help="the process list (.plst)")
    parser.add_argument("--input", help="start from the first cell volume of this document (.kst)")
    parser.add_argument("--set", action="append", default=[], metavar="STEP.PARAM=V1,V2,...",
                        help="values of one step parameter (repeatable; every combination is run)")
    parser.add_argument("--out", required=True, help="folder for point-NNN.kst and summary.csv")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler (tcp://HOST:PORT); "
                                            "default: a LocalCluster on this machine")
    parser.add_argument("--workers", type=int, default=2, help="LocalCluster worker processes (default 2)")
    parser.add_argument("--threads", type=int, default=1, help="threads of each run (default 1)")
    parser.add_argument("--force", action="store_true", help="run finished points of an earlier run again")
    args = parser.parse_args(argv)
    try:
        settings = dict(parse_setting(s) for s in args.set)
    except ValueError as error:
        parser.exit(2, f"kestrum.sweep: {error}\n")
    if not settings:
        parser.exit(2, "kestrum.sweep: give at least one --set STEP.PARAM=V1,V2,...\n")
    if not os.path.isfile(args.recipe):
        parser.exit(3, f'kestrum.sweep: cannot read the process list "{args.recipe}": no such file.\n')
    import kestrum

    try:
        rows = sweep(args.recipe, settings, input=args.input, out=args.out, scheduler=args.scheduler,
                     workers=args.workers, threads=args.threads, force=args.force)
    except kestrum.RecipeError as error:
        parser.exit(2, f"kestrum.sweep: {error}\n")
    failed = [r for r in rows if r.get("status") != "done"]
    for r in failed:
        sys.stderr.write(f"kestrum.sweep: point {r['point']} failed: {r.get('error', '')}\n")
    print(os.path.abspath(os.path.join(args.out, SUMMARY)))
    return 1 if failed else 0


class _CallableModule(types.ModuleType):
    # kestrum.sweep(...) calls the function even once the module is imported.
    def __call__(self, *args, **kwargs):
        return sweep(*args, **kwargs)


sys.modules[__name__].__class__ = _CallableModule

if __name__ == "__main__":
    sys.exit(main())
