#pragma once

#include "AtomicRenderer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {

// Draws atoms as shaded spheres into a colour and depth image of the view,
// on the CPU; the painter lays the image over the scene with one textured
// quad that writes the depths, so faces, bonds and atoms hide each other as
// if the spheres had been drawn as geometry.
//
// A software GL pays a fixed cost per primitive that no shader avoids
// (about 0.15 us per point or triangle on Mesa's llvmpipe): three million
// atoms as point sprites take half a second a frame, as instanced meshes
// several seconds. Here an atom costs a transform and the few pixels it
// covers, and the result is the same on any GL.
//
// The atoms come in blocks of a few unit cells. Blocks are drawn nearest
// first, and a block lying wholly behind pixels that are all covered already
// is passed over: opaque faces drawn before hide the atoms inside them, and
// a lattice seen from afar hides everything a dozen unit cells behind its
// front. The view is cut into bands of rows that threads draw
// on their own, so no thread waits for another and no images are merged.
//
// Each pixel whose centre lies inside an atom's outline gets the depth of
// the sphere's front at that pixel and the colour the fixed-function
// lighting would give the sphere's normal there. An atom that covers no
// pixel centre, or whose radius is at most half a pixel, fills the pixel of
// its centre with its nearest depth and the colour at its centre, so a
// zoomed-out lattice does not vanish.
class AtomSplatter
{
public:
    // A directional light in eye space, as GL keeps it: the direction
    // towards the light and its colours.
    struct Light
    {
        std::array<float, 3> direction{{0.0f, 0.0f, 1.0f}};
        std::array<float, 3> ambient{{0.0f, 0.0f, 0.0f}};
        std::array<float, 3> diffuse{{0.0f, 0.0f, 0.0f}};
        std::array<float, 3> specular{{0.0f, 0.0f, 0.0f}};
        bool operator==(const Light &o) const
        {
            return direction == o.direction && ambient == o.ambient && diffuse == o.diffuse && specular == o.specular;
        }
    };
    // The view's lighting with the atom colour as ambient and diffuse
    // material colour. Unlit atoms take their plain colour.
    struct Shading
    {
        bool lit = false;
        std::array<float, 3> sceneAmbient{{0.2f, 0.2f, 0.2f}};
        std::vector<Light> lights;
        std::array<float, 3> materialSpecular{{0.0f, 0.0f, 0.0f}};
        float shininess = 0.0f;
        bool operator==(const Shading &o) const
        {
            return lit == o.lit && sceneAmbient == o.sceneAmbient && lights == o.lights
                   && materialSpecular == o.materialSpecular && shininess == o.shininess;
        }
    };
    // The GL matrices (column-major) the atoms' coordinates go through, and
    // the viewport's size in pixels.
    struct View
    {
        std::array<double, 16> modelView{};
        std::array<double, 16> projection{};
        int width = 0;
        int height = 0;
        bool operator==(const View &o) const
        {
            return modelView == o.modelView && projection == o.projection && width == o.width && height == o.height;
        }
    };
    // Pixels of the viewport, counted from its lower left corner.
    struct Rect
    {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool isEmpty() const { return width <= 0 || height <= 0; }
    };

    AtomSplatter() = default;
    AtomSplatter(const AtomSplatter &) = delete;
    AtomSplatter &operator=(const AtomSplatter &) = delete;

    // Draws the atoms of `geometry` (without blocks, as one block) into a
    // cleared image of the view. `sceneDepth`, when given, is the window
    // depth of what the view drew before (a value per viewport pixel, rows
    // from the bottom up, 1 where nothing is): atoms behind it are left out,
    // and so is the work of drawing them. A viewport larger than maxSide
    // pixels on a side, or an empty one, draws nothing.
    void splat(const AtomicRenderer::AtomGeometry &geometry, const View &view, const Shading &shading,
               const float *sceneDepth = nullptr);

    // The pixels the last splat covered (empty when none).
    const Rect &bounds() const { return covered; }
    // The viewport's width: the images below hold whole rows of it, from the
    // bottom up; only the pixels inside bounds() are meant to be read.
    int imageWidth() const { return viewWidth; }
    // r, g, b, a bytes per pixel; alpha 255 where an atom is.
    const std::vector<std::uint8_t> &colorImage() const { return colors; }
    // The window depth as 24 bits in r, g, b (most significant first) and
    // a = 255 where an atom covers the pixel, 0 where none does.
    const std::vector<std::uint8_t> &depthImage() const { return depths; }
    // The window depth at a pixel of the viewport (1 where no atom is).
    float depthAt(int x, int y) const;
    // r, g, b, a at a pixel of the viewport (all 0 where no atom is).
    std::array<std::uint8_t, 4> colorAt(int x, int y) const;
    // Atoms of the blocks the last splat drew (not passed over as hidden),
    // counted once per band they reach into.
    std::size_t atomsVisited() const { return visited; }

    // The largest viewport side drawn.
    static constexpr int maxSide = 16384;

private:
    int viewWidth = 0;
    int viewHeight = 0;
    Rect covered;
    std::size_t visited = 0;
    // The nearest depth and its colour so far, per pixel of the viewport.
    std::vector<float> depthBuffer;
    std::vector<std::uint32_t> colorBuffer;
    std::vector<std::uint16_t> tileEmpty;
    std::vector<float> tileFarthest;
    std::vector<std::uint8_t> colors;
    std::vector<std::uint8_t> depths;
};

} // namespace Automaton
} // namespace Model
