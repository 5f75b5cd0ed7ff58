#include "Core/Operations/SiEtching/SiWetEtchOperation.h"

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"
#include "Core/Operations/UndoRedo/UndoRedoStack.h"
#include "Core/Workspace.h"

#include <new>

namespace Core {
namespace Operations {

SiWetEtchOperation::~SiWetEtchOperation() = default;

void SiWetEtchOperation::setDepth(double value)
{
    depth = value;
    optionSet();
}

void SiWetEtchOperation::end()
{
    stopReport.clear();
    const std::size_t undoable = workspace->getUndoRedo().undoCount();
    VolumeProcessOperation::end();
    // Only a run that finished (and so became undoable) reports; one refused
    // or put back for want of memory has said so already.
    if (!stopReport.isEmpty() && workspace->getUndoRedo().undoCount() > undoable)
        message(QStringLiteral(": %1.").arg(stopReport));
}

void SiWetEtchOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    const std::unique_ptr<SiWetEtchEngine> engine = makeEngine(&volume);
    engine->setProgress(progressSink());
    // The lifecycle puts back whatever an etch that ran out of memory changed.
    if (!SiWetEtchRun::run(workspace, volume, *engine))
        throw std::bad_alloc();
    stopReport = engine->stopReport();
}

} // namespace Operations
} // namespace Core
