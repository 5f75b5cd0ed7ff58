#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
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
// for undo, run, count what changed against the saved state, rebuild the
// drawing, save the state for redo and close. The finish line says what the
// run did ("<Name>: Operation finished: 10,450 cells changed (...), thickness
// 2 µm."); a run that changed nothing says so as a warning and leaves the
// undo stack as it was.
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
    // What the last finished run did.
    const ProcessEffect &getEffect() const { return effect; }

protected:
    virtual void runProcess(Model::Automaton::TotalVolume &volume) = 0;
    // Every run marks the volume's atomistic lattice out of date (the next
    // atomistic etch rebuilds it from the cells), except for processes that
    // keep the lattice in step with the cells themselves.
    virtual bool keepsSiLatticeCurrent() const { return false; }
    // Adds what the run reached and why a run might change nothing (see
    // ProcessEffect); called after the run, before the count is explained.
    virtual void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const;
    // Where the algorithm reports steps done of steps total (for example
    // SurfaceFrontProcess::setProgress). Valid for the whole run.
    Util::IProgress *progressSink() { return &progress; }
    // Called by every option setter.
    void optionSet() { ++state; }
    // Called by the setter of a named option (a bit); with `requiredOptions`
    // set, finishing needs every one of them, however often others were set.
    void optionSet(std::uint32_t bit)
    {
        givenOptions |= bit;
        ++state;
    }

    std::uint32_t readyState = 3;
    std::uint32_t requiredOptions = 0;

private:
    std::uint32_t state = 0;
    std::uint32_t givenOptions = 0;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    TotalVolumeUndoRedoHelper undoHelper;
    ProcessProgress progress;
    ProcessEffect effect;
};

} // namespace Operations
} // namespace Core
