#pragma once

#include "Util/SafeFileWriter.h"

#include <QString>
#include <QStringList>

namespace Model {
namespace Automaton {
class TotalVolume;
}
namespace ModelExtraction {
class CantileverModelRule;
class ExtractedModel;
}
}

namespace Core {
namespace Operations {

// Model extraction without the dialog: the blocks, the beams and the netlist
// of a volume in one go, as the command-line tool writes them.
class VolumeNetlist
{
public:
    struct Result
    {
        bool written = false;
        // Nothing written because no beam could be modelled.
        bool noModel = false;
        std::size_t blocks = 0;
        std::size_t beams = 0;
        // Why nothing was written, or empty.
        QString error;
        // Beams left out of the netlist.
        QStringList skipped;
        // What noModelReason() says of this volume.
        QString reason;
    };

    // The cantilever rule for a volume: its cell sizes and the material
    // catalogue. The dialog and the command-line tool both extract with it.
    static Model::ModelExtraction::CantileverModelRule ruleFor(const Model::Automaton::TotalVolume &volume);
    // Why a block model gave no netlist, to follow "No model data was
    // extracted.": that silicon is never a beam when the blocks hold some and
    // no beam was found, the beams left out otherwise; may be empty.
    static QString noModelReason(const Model::ModelExtraction::ExtractedModel &blocks, std::size_t beams,
                                 const QStringList &skipped);

    // The netlist of the volume, empty when it holds no beam or cannot be
    // split into blocks (details->error says why then).
    static QString netlistOf(Model::Automaton::TotalVolume &volume, Result *details = nullptr);
    // Writes the volume's netlist to `path`. Without a beam no file is made.
    static Result write(Model::Automaton::TotalVolume &volume, const QString &path);
    // Writes netlist text as a text file (line ends of the platform).
    static Util::SafeFileWriter::Result writeText(const QString &path, const QString &text);
};

} // namespace Operations
} // namespace Core
