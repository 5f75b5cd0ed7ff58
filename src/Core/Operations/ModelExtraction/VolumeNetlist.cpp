#include "VolumeNetlist.h"

#include "BeamMaterials.h"

#include "Model/Automaton/TotalVolume.h"
#include "Model/ModelExtraction/BlockPartition.h"
#include "Model/ModelExtraction/CantileverModelRule.h"
#include "Model/ModelExtraction/CantileverStructure.h"
#include "Model/ModelExtraction/RectangularCuboidEnvelope.h"

#include <QIODevice>

namespace Core {
namespace Operations {

using namespace Model::ModelExtraction;

CantileverModelRule VolumeNetlist::ruleFor(const Model::Automaton::TotalVolume &volume)
{
    const CellSize cellSize{volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()};
    return CantileverModelRule(cellSize, BeamMaterials::fromCatalogue());
}

QString VolumeNetlist::noModelReason(const ExtractedModel &blocks, std::size_t beams, const QStringList &skipped)
{
    if (beams > 0)
        return skipped.join(QLatin1Char(' '));
    for (const auto &block : blocks.getEnvelopes())
        if (block->getMaterial() == CantileverModelRule::substrateMaterial)
            return QStringLiteral("Material %1 (silicon) is taken as the substrate and never forms a beam.")
                .arg(CantileverModelRule::substrateMaterial);
    return QString();
}

QString VolumeNetlist::netlistOf(Model::Automaton::TotalVolume &volume, Result *details)
{
    QString error;
    const ExtractedModel blocks(BlockPartition::run(volume, 0, &error));
    if (details)
        details->error = error;
    if (!error.isEmpty())
        return QString();
    CantileverModelRule rule = ruleFor(volume);
    const auto structure = std::dynamic_pointer_cast<CantileverStructure>(rule.apply(blocks));
    if (details) {
        details->blocks = blocks.getEnvelopes().size();
        details->beams = rule.getBeams().size();
        details->skipped = structure ? structure->skippedBeams() : QStringList();
        details->reason = noModelReason(blocks, details->beams, details->skipped);
    }
    return structure ? structure->netlist() : QString();
}

VolumeNetlist::Result VolumeNetlist::write(Model::Automaton::TotalVolume &volume, const QString &path)
{
    Result result;
    const QString text = netlistOf(volume, &result);
    if (text.isEmpty()) {
        result.noModel = true;
        if (!result.error.isEmpty()) {
            result.error = QStringLiteral("No model data was extracted: ") + result.error;
            return result;
        }
        result.error = result.beams == 0 ? QStringLiteral("No model data was extracted: the volume holds no cantilever.")
                                         : QStringLiteral("No model data was extracted: no beam could be modelled.");
        if (result.beams == 0 && !result.reason.isEmpty())
            result.error += QLatin1Char(' ') + result.reason;
        return result;
    }
    const auto saved = writeText(path, text);
    if (!saved.ok) {
        result.error = QStringLiteral("Unable to save to \"%1\": %2").arg(path, saved.error);
        return result;
    }
    result.written = true;
    return result;
}

Util::SafeFileWriter::Result VolumeNetlist::writeText(const QString &path, const QString &text)
{
    return Util::SafeFileWriter::write(path, [&text](QIODevice &device) {
        const QByteArray bytes = text.toUtf8();
        return device.write(bytes) == bytes.size();
    }, QIODevice::Text);
}

} // namespace Operations
} // namespace Core
