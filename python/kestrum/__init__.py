"""Kestrum from Python: documents, recipe runs, cells as numpy arrays, sweeps.

    import kestrum
    volume = kestrum.run_recipe("recipe.plst", set={"3.Thickness": 4.0})
    volume.cells            # read-only uint32 array, shape (nz, ny, nx)
    kestrum.save(volume, "result.kst")
    kestrum.trench(volume, "y", 12.5)   # depth, widths, wall angles of a trench, µm
"""

from ._kestrum import (__version__, Document, ParameterError, RecipeError, SkippedStep, Volume, check_recipe, load,
                       run_recipe, save)

__all__ = ["Document", "ParameterError", "RecipeError", "SkippedStep", "Volume", "check_recipe", "load", "run_recipe",
           "save", "sweep"]

# Masks: kestrum.load_mask(path, layer=None, cell_size=None), a bool array [x, y].
from ._kestrum import load_mask  # noqa: E402

__all__ += ["load_mask"]

# Metrology: kestrum.section(volume, axis, at), profile, trench and stack, in µm.
from ._kestrum import Profile, Section, profile, section, stack, trench  # noqa: E402

__all__ += ["Profile", "Section", "profile", "section", "stack", "trench"]


def __getattr__(name):
    # kestrum.sweep, the module that is also callable as the function, loads
    # Dask only when first asked for.
    if name == "sweep":
        import importlib

        return importlib.import_module(".sweep", __name__)
    raise AttributeError(f"module 'kestrum' has no attribute {name!r}")
