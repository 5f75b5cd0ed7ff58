#include "TotalVolumePainter.h"

#include "TotalVolume.h"

#include <GL/gl.h>

namespace Model {
namespace Automaton {

TotalVolumePainter::TotalVolumePainter(TotalVolume *v)
    : volume(v)
{
}

TotalVolumePainter::~TotalVolumePainter() = default;

void TotalVolumePainter::rebuild()
{
}

void TotalVolumePainter::draw(bool, bool)
{
}

void TotalVolumePainter::drawPickBox()
{
    const Util::Vector3D p = volume->getPosition();
    const double x1 = p.x + volume->getSizeX() * double(volume->getCellSizeX());
    const double y1 = p.y + volume->getSizeY() * double(volume->getCellSizeY());
    const double z1 = p.z + volume->getSizeZ() * double(volume->getCellSizeZ());
    glBegin(GL_QUADS);
    glVertex3d(p.x, p.y, p.z); glVertex3d(x1, p.y, p.z); glVertex3d(x1, y1, p.z); glVertex3d(p.x, y1, p.z);
    glVertex3d(p.x, p.y, z1); glVertex3d(x1, p.y, z1); glVertex3d(x1, y1, z1); glVertex3d(p.x, y1, z1);
    glEnd();
}

} // namespace Automaton
} // namespace Model
