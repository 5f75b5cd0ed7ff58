#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Core/Operations/Lifecycle/ProcessProgress.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// The common frame of the processes that rewrite a volume's cells in place:
// select a volume, let the observer collect the options, then save the state
// for undo, run, rebuild the drawing, save the state for redo and close.
// A process supplies its options (each setter adds 1 to the state) and `runProcess`.
// In a window the run goes off the interface thread (see BackgroundRun); a
// process passes progressSink() to its algorithm so the window can show how
// far it got.
class VolumeProcessOperation : public ObjectOperation
{
public:
    VolumeProcessOperation(Workspace *workspace, const QString &name, std::uint32_t id, const QString &stateKey);
    ~VolumeProcessOperation() override;

    void step() override;
    void end() override;
    int undo() override;
    void redo() override;

    // Gives the operation its volume without the console (tests, scripted use).
    void setVolume(const std::shared_ptr<Model::Automaton::TotalVolume> &volume);
    std::shared_ptr<Model::Automaton::TotalVolume> getVolume() const { return volume; }
    std::uint32_t getState() const { return state; }

protected:
    virtual void runProcess(Model::Automaton::TotalVolume &volume) = 0;
    // Where the algorithm reports steps done of steps total (for example
    // SurfaceFrontProcess::setProgress). Valid for the whole run.
    Util::IProgress *progressSink() { return &progress; }
    // True when the run may have put silicon into the volume, so the atomistic
    // lattice must be rebuilt before the next atomistic process.
    virtual bool mayDepositSilicon() const { return false; }
    // Called by every option setter.
    void optionSet() { ++state; }

    std::uint32_t readyState = 3;

private:
    std::uint32_t state = 0;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    TotalVolumeUndoRedoHelper undoHelper;
    ProcessProgress progress;
};

} // namespace Operations
} // namespace Core
