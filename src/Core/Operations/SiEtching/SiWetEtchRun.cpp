#include "Core/Operations/SiEtching/SiWetEtchRun.h"

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"
#include "Core/Workspace.h"
#include "Model/Automaton/SiLattice.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

#include <new>

namespace Core {
namespace Operations {

bool SiWetEtchRun::run(Workspace *workspace, Model::Automaton::TotalVolume &volume, SiWetEtchEngine &engine)
{
    QElapsedTimer timer;
    timer.start();
    const std::uint32_t id = volume.getObjectId();
    const auto lattice = volume.getSiLattice();
    const bool outdated = !workspace || workspace->isSiLatticeOutdated(id) || !lattice || !lattice->matches(volume);
    try {
        if (outdated) {
            volume.rebuildSiLattice();
            qCDebug(lcProcess).nospace() << "Time to allocate Si structure " << timer.elapsed();
        }
        engine.runEtching();
    } catch (const std::bad_alloc &) {
        qCWarning(lcProcess) << "Not enough memory for the silicon lattice of volume" << id;
        if (workspace)
            workspace->setSiLatticeOutdated(id, true);
        return false;
    }
    qCDebug(lcProcess).nospace() << "Total time to allocate and run " << timer.elapsed();
    const QString report = engine.stopReport();
    if (!report.isEmpty())
        qCInfo(lcProcess).noquote() << "Si wet etching:" << report;
    if (workspace)
        workspace->setSiLatticeOutdated(id, false);
    return true;
}

} // namespace Operations
} // namespace Core
