#include "ExtractedModel.h"

#include "RectangularCuboidEnvelope.h"

namespace Model {
namespace ModelExtraction {

ExtractedModel::ExtractedModel(EnvelopeList list, const Util::Vector3D &pos)
    : envelopes(std::move(list))
    , position(pos)
    , painter(this)
{
}

void ExtractedModel::draw(bool drawObject, bool)
{
    if (drawObject)
        painter.draw();
}

void ExtractedModel::drawPickBox()
{
    painter.drawPickBoxes();
}

Object *ExtractedModel::clone()
{
    // The copy shares the blocks; they are never changed once extracted.
    return new ExtractedModel(envelopes, position);
}

} // namespace ModelExtraction
} // namespace Model
