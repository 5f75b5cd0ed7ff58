#include "ChangeTotalVolumeVisualizationOptions.h"

#include "Core/Operations/Lifecycle/BackgroundRun.h"
#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/MaterialColorTable.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Object.h"


namespace Core {
namespace Operations {

using Model::Automaton::TotalVolume;
using Model::Automaton::TotalVolumePainter;

ChangeTotalVolumeVisualizationOptions::ChangeTotalVolumeVisualizationOptions(Workspace *ws)
    : Operation(ws, ProcessTable::operationName(ProcessKey::ViewingOptions),
                ProcessTable::operationId(ProcessKey::ViewingOptions))
{
}

void ChangeTotalVolumeVisualizationOptions::step()
{
    if (state == 0) {
        if (!VolumeSelectionStep::take(*this, volume))
            return;
        state = 1;
        Model::Automaton::MaterialColorTable colors;
        colors.refillFromCatalogue();
        colorsBefore = colors.entries();
        notifyObserver();
    } else if (state == 2) {
        end();
    }
}

void ChangeTotalVolumeVisualizationOptions::cancel()
{
    message(QStringLiteral(": Operation Canceled!"));
    cancelOperation(true);
}

bool ChangeTotalVolumeVisualizationOptions::setOptions(const Options &values)
{
    if (state != 1 || values.algorithm > TotalVolumePainter::Octree)
        return false;
    options = values;
    state = 2;
    return true;
}

ChangeTotalVolumeVisualizationOptions::Options
ChangeTotalVolumeVisualizationOptions::currentOptions(TotalVolume &v)
{
    TotalVolumePainter &p = v.getPainter();
    Options o;
    o.atoms = p.getRenderAtoms();
    o.surfaceAtomsOnly = p.getSurfaceAtomsOnly();
    o.links = p.getRenderLinks();
    o.unitCells = p.getRenderUnitCells();
    o.unitCellOutlines = p.getRenderUnitCellOutlines();
    o.emptyVoxelOutlines = p.getShowEmptyVoxelOutlines();
    o.algorithm = p.getSurfaceAlgorithm();
    return o;
}

void ChangeTotalVolumeVisualizationOptions::end()
{
    if (state != 2 || !volume) {
        cancel();
        return;
    }
    TotalVolumePainter &painter = volume->getPainter();
    painter.setRenderAtoms(options.atoms);
    painter.setSurfaceAtomsOnly(options.surfaceAtomsOnly);
    painter.setRenderLinks(options.links);
    painter.setRenderUnitCells(options.unitCells);
    painter.setRenderUnitCellOutlines(options.unitCellOutlines);
    painter.setShowEmptyVoxelOutlines(options.emptyVoxelOutlines);
    // A colour that crossed the see-through threshold moves faces between
    // the opaque and transparent lists of every volume, not only this one.
    Model::Automaton::MaterialColorTable colors;
    colors.refillFromCatalogue();
    const bool colorsChanged = colors.entries() != colorsBefore;
    QList<std::shared_ptr<TotalVolume>> others;
    for (const std::shared_ptr<Model::Object> &object : workspace->getDocument().getAllObjects()) {
        auto other = std::dynamic_pointer_cast<TotalVolume>(object);
        if (other && other != volume)
            others.append(other);
    }
    progress.reset();
    // A large volume's surface takes a while: built off the interface
    // thread, which keeps repainting and shows the progress.
    BackgroundRun::run(getName(), [&painter, &others, colorsChanged, this] {
        painter.setSurfaceAlgorithm(options.algorithm);
        painter.rebuild(&progress);
        if (colorsChanged) {
            for (const auto &other : others)
                other->getPainter().rebuild(&progress);
        }
    }, progress, workspace->getProcessMonitor());
    if (!colorsChanged) {
        for (const auto &other : others)
            other->getPainter().updateColors();
    }

    message(QStringLiteral(": Options changed."));
    finishOperation();
}

} // namespace Operations
} // namespace Core
