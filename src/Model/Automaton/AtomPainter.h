#pragma once

#include "AtomSplatter.h"
#include "AtomicRenderer.h"

#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {

// Draws one volume's atoms and bonds, as its atomic renderer last built
// them, with the GL context current: the atoms through an AtomSplatter whose
// image one textured quad lays over the scene (writing the atoms' depths),
// the bonds as GL_LINES from a vertex buffer.
//
// The splat starts from the depth the view drew before the atoms (read back),
// so atoms inside opaque faces cost nearly nothing. It is redone only when
// the atoms, the matrices, the viewport, the lighting or that depth changed;
// a repaint of an unchanged view reuses the image already in the textures. The textures and the shader belong to the context and are
// shared by every volume; the bond buffer is this painter's, and once the
// painter is gone the next draw in its context frees it (a context that goes
// first takes it along).
class AtomPainter
{
public:
    AtomPainter();
    ~AtomPainter();

    AtomPainter(const AtomPainter &) = delete;
    AtomPainter &operator=(const AtomPainter &) = delete;

    // Atoms while `atoms`, bonds while `bonds`, at the current matrices.
    void draw(const AtomicRenderer::AtomGeometry &geometry, bool atoms, bool bonds);

    // The image of the last splat.
    const AtomSplatter &lastSplat() const { return splatter; }
    // Splats made so far: a repaint of an unchanged view adds none.
    std::uint64_t splatCount() const { return splats; }

private:
    void drawAtoms(const AtomicRenderer::AtomGeometry &geometry);
    void drawBonds(const AtomicRenderer::AtomGeometry &geometry);

    std::uint64_t id;
    AtomSplatter splatter;
    std::uint64_t splats = 0;
    std::uint64_t splatRevision = 0;
    AtomSplatter::View splatView;
    AtomSplatter::Shading splatShading;
    // The view's depth before the atoms, at the last splat and now.
    std::vector<float> splatDepth;
    std::vector<float> depthBefore;
    bool usedGL = false;
};

} // namespace Automaton
} // namespace Model
