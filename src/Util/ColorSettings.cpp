#include "ColorSettings.h"

#include <QMutex>
#include <QMutexLocker>

#include <array>

namespace Util {
namespace ColorSettings {
namespace {

struct Rgba
{
    double r, g, b, a;
};

using Table = std::array<std::array<Rgba, schemeCount>, colorCount>;

const Table builtInTable = {{
    {{{0, 0, 0, 1}, {1, 1, 1, 1}, {1, 0, 0, 1}}},
    {{{1, 1, 1, 1}, {0, 0, 0, 1}, {1, 1, 1, 1}}},
    {{{0.4, 0.4, 0.4, 1}, {0.4, 0.4, 0.4, 1}, {0.4, 0.4, 0.4, 1}}},
    {{{0, 0, 0, 0}, {1, 1, 1, 0}, {0, 0, 0, 0}}},
    {{{0.4, 0.4, 0.4, 1}, {0.4, 0.4, 0.4, 1}, {0.4, 0.4, 0.4, 1}}},
    {{{0.6, 0.6, 0.6, 1}, {0.6, 0.6, 0.6, 1}, {0.6, 0.6, 0.6, 1}}},
    {{{1, 1, 1, 1}, {0, 0, 0, 1}, {1, 1, 1, 1}}},
    {{{0, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}}},
    {{{1, 1, 1, 1}, {0, 0, 0, 1}, {1, 1, 1, 1}}},
}};

const char *const names[colorCount] = {
    "Object Color",
    "Outline Color",
    "Grid Color",
    "Background Color",
    "Substrate Object Color",
    "Substrate Outline Color",
    "Console Background Color",
    "Console Text Color",
    "Object Temporary Color",
};

struct State
{
    QMutex mutex;
    Table table = builtInTable;
    int scheme = 0;
};

State &state()
{
    static State s;
    return s;
}

bool inRange(int index, int scheme)
{
    return index >= 0 && index < colorCount && scheme >= 0 && scheme < schemeCount;
}

} // namespace

const char *colorName(int index)
{
    return index >= 0 && index < colorCount ? names[index] : "";
}

int colorScheme()
{
    QMutexLocker locker(&state().mutex);
    return state().scheme;
}

void setColorScheme(int scheme)
{
    if (scheme < 0 || scheme >= schemeCount)
        return;
    QMutexLocker locker(&state().mutex);
    state().scheme = scheme;
}

Vector4D color(int index, int scheme)
{
    if (!inRange(index, scheme))
        return Vector4D(0.0, 0.0, 0.0, 1.0);
    QMutexLocker locker(&state().mutex);
    const Rgba &c = state().table[index][scheme];
    return Vector4D(c.r, c.g, c.b, c.a);
}

Vector4D currentColor(int index)
{
    return color(index, colorScheme());
}

void setCustomColor(int index, const Vector4D &rgba)
{
    if (!inRange(index, 2))
        return;
    QMutexLocker locker(&state().mutex);
    state().table[index][2] = Rgba{rgba.x, rgba.y, rgba.z, rgba.w};
}

void reset()
{
    QMutexLocker locker(&state().mutex);
    state().table = builtInTable;
    state().scheme = 0;
}

} // namespace ColorSettings
} // namespace Util
