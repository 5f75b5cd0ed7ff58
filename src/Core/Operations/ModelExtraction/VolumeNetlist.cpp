#include "VolumeNetlist.h"

#include "Model/ModelExtraction/BlockPartition.h"
#include "Model/ModelExtraction/CantileverModelRule.h"
#include "Model/ModelExtraction/CantileverStructure.h"

#include <QIODevice>

namespace Core {
namespace Operations {

using namespace Model::ModelExtraction;

QString VolumeNetlist::netlistOf(Model::Automaton::TotalVolume &volume, Result *details)
{
    QString error;
    const ExtractedModel blocks(BlockPartition::run(volume, 0, &error));
    if (details)
        details->error = error;
    if (!error.isEmpty())
        return QString();
    CantileverModelRule rule;
    const auto structure = std::dynamic_pointer_cast<CantileverStructure>(rule.apply(blocks));
    if (details) {
        details->blocks = blocks.getEnvelopes().size();
        details->beams = rule.getBeams().size();
        details->skipped = structure ? structure->skippedBeams() : QStringList();
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
