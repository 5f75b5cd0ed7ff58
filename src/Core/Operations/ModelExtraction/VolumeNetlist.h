#pragma once

#include "Util/SafeFileWriter.h"

#include <QString>
#include <QStringList>

namespace Model {
namespace Automaton {
class TotalVolume;
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
    };

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
