#pragma once

#include "Vector4D.h"

namespace Util {

// The program-wide colour table: nine named colours in three schemes
// (0 default, 1 low colour, 2 custom) and the index of the current scheme.
// Nothing of it is saved; every run starts from the built-in values.
namespace ColorSettings {

enum ColorIndex {
    ObjectColor = 0,
    OutlineColor = 1,
    GridColor = 2,
    BackgroundColor = 3,
    SubstrateObjectColor = 4,
    SubstrateOutlineColor = 5,
    ConsoleBackgroundColor = 6,
    ConsoleTextColor = 7,
    ObjectTemporaryColor = 8,
};

constexpr int colorCount = 9;
constexpr int schemeCount = 3;

const char *colorName(int index);
int colorScheme();
void setColorScheme(int scheme);
// Entry (index, scheme) as RGBA; an index or scheme out of range gives opaque black.
Vector4D color(int index, int scheme);
// Entry of the current scheme.
Vector4D currentColor(int index);
// Overwrites entry (index, custom scheme).
void setCustomColor(int index, const Vector4D &rgba);
// Restores the built-in table and scheme 0 (for tests).
void reset();

} // namespace ColorSettings
} // namespace Util
