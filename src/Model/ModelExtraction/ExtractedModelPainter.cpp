#include "ExtractedModelPainter.h"

#include "ExtractedModel.h"
#include "RectangularCuboidEnvelope.h"

#include <GL/gl.h>

namespace Model {
namespace ModelExtraction {

namespace {

const float palette[ExtractedModelPainter::paletteSize][3] = {
    {1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 1.0f},
    {1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, {0.5f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.0f}, {0.5f, 0.5f, 0.5f},
    {0.0f, 0.5f, 0.0f}, {0.0f, 0.5f, 0.5f}, {0.5f, 0.0f, 0.5f}, {0.0f, 0.0f, 0.5f},
};

} // namespace

ExtractedModelPainter::ExtractedModelPainter(const ExtractedModel *m)
    : model(m)
{
}

ExtractedModelPainter::Box ExtractedModelPainter::box(const RectangularCuboidEnvelope &e)
{
    Box result;
    result.lower = Util::Vector3D(double(e.getOrigin(0)), double(e.getOrigin(1)), double(e.getOrigin(2)) * layerHeight);
    result.upper = Util::Vector3D(double(e.getEnd(0)), double(e.getEnd(1)), double(e.getEnd(2)) * layerHeight);
    return result;
}

std::array<float, 3> ExtractedModelPainter::paletteColor(std::size_t index)
{
    const float *c = palette[index % paletteSize];
    return {c[0], c[1], c[2]};
}

void ExtractedModelPainter::draw() const
{
    drawBoxes(true);
}

void ExtractedModelPainter::drawPickBoxes() const
{
    // Picked where it is drawn, so a click on a box selects the model.
    drawBoxes(false);
}

void ExtractedModelPainter::drawBoxes(bool colored) const
{
    const Util::Vector3D p = model->getPosition();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(p.x, p.y, p.z);
    std::size_t index = 0;
    glBegin(GL_QUADS);
    for (const auto &envelope : model->getEnvelopes()) {
        const Box b = box(*envelope);
        const double x0 = b.lower.x, y0 = b.lower.y, z0 = b.lower.z;
        const double x1 = b.upper.x, y1 = b.upper.y, z1 = b.upper.z;
        if (colored) {
            const auto c = paletteColor(index++);
            glColor3f(c[0], c[1], c[2]);
        }
        // -x, +x, -y, +y, -z, +z, each wound counter-clockwise seen from outside.
        glNormal3d(-1, 0, 0);
        glVertex3d(x0, y0, z0); glVertex3d(x0, y0, z1); glVertex3d(x0, y1, z1); glVertex3d(x0, y1, z0);
        glNormal3d(1, 0, 0);
        glVertex3d(x1, y0, z0); glVertex3d(x1, y1, z0); glVertex3d(x1, y1, z1); glVertex3d(x1, y0, z1);
        glNormal3d(0, -1, 0);
        glVertex3d(x0, y0, z0); glVertex3d(x1, y0, z0); glVertex3d(x1, y0, z1); glVertex3d(x0, y0, z1);
        glNormal3d(0, 1, 0);
        glVertex3d(x0, y1, z0); glVertex3d(x0, y1, z1); glVertex3d(x1, y1, z1); glVertex3d(x1, y1, z0);
        glNormal3d(0, 0, -1);
        glVertex3d(x0, y0, z0); glVertex3d(x0, y1, z0); glVertex3d(x1, y1, z0); glVertex3d(x1, y0, z0);
        glNormal3d(0, 0, 1);
        glVertex3d(x0, y0, z1); glVertex3d(x1, y0, z1); glVertex3d(x1, y1, z1); glVertex3d(x0, y1, z1);
    }
    glEnd();
    glPopMatrix();
}

} // namespace ModelExtraction
} // namespace Model
