"""Kestrum from Python: documents, recipe runs, cells as numpy arrays, sweeps.

    import kestrum
    volume = kestrum.run_recipe("recipe.plst", set={"3.Thickness": 4.0})
    volume.cells            # read-only uint32 array, shape (nz, ny, nx)
    kestrum.save(volume, "result.kst")
"""

from ._kestrum import Document, RecipeError, SkippedStep, Volume, load, run_recipe, save

__all__ = ["Document", "RecipeError", "SkippedStep", "Volume", "load", "run_recipe", "save", "sweep"]


def sweep(*args, **kwargs):
    """Runs a recipe for every combination of parameter values as Dask tasks;
    see kestrum.sweep.sweep."""
    from .sweep import sweep as run_sweep

    return run_sweep(*args, **kwargs)
