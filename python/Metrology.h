#pragma once

#include <pybind11/pybind11.h>

// kestrum.section, profile, trench and stack: the core's sections, surface
// profiles, trench metrics and layer stacks of a Volume, its refusals raised
// as ValueError with the core's sentence.
void defineMetrology(pybind11::module_ &module);
