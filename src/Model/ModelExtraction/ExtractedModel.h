#pragma once

#include "ExtractedModelPainter.h"
#include "Model/Object.h"
#include "Util/Vector3D.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace ModelExtraction {

class RectangularCuboidEnvelope;

// The result of a model-extraction step shown in the scene: a list of blocks
// in cell units, drawn as coloured boxes at the object's position.
class ExtractedModel : public Object
{
public:
    static constexpr std::uint32_t objectType = 2;
    using EnvelopeList = std::vector<std::shared_ptr<RectangularCuboidEnvelope>>;

    explicit ExtractedModel(EnvelopeList envelopes, const Util::Vector3D &position = Util::Vector3D());

    std::uint32_t getObjectType() const override { return objectType; }
    void draw(bool drawObject, bool drawOutlines) override;
    void drawPickBox() override;
    Object *clone() override;
    void translate(Util::Vector3D delta) override { position += delta; }
    void transform(Util::Vector3D, Util::Vector3D) override {}

    const EnvelopeList &getEnvelopes() const { return envelopes; }
    Util::Vector3D getPosition() const { return position; }

private:
    EnvelopeList envelopes;
    Util::Vector3D position;
    ExtractedModelPainter painter;
};

} // namespace ModelExtraction
} // namespace Model
