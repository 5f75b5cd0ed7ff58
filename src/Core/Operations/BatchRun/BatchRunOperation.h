#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include <memory>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// One batch run as one entry of the undo stack, "Batch Run": the cells of the
// volume the run started on before and after it, and the volumes its Create
// Substrate steps made (undo takes them out of the document, redo puts the
// same objects back). The batch dialog records it around a run and pushes it.
class BatchRunOperation : public ObjectOperation
{
public:
    BatchRunOperation(Workspace *workspace, std::shared_ptr<Model::Automaton::TotalVolume> startVolume);
    ~BatchRunOperation() override;

    // Both on the thread that runs the steps, before the first and after the
    // last; nothing else may change the cells in between.
    void saveBefore();
    void saveAfter(const std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> &created);

    // Never the current operation: it is pushed once recorded.
    void step() override {}
    void end() override {}
    int undo() override;
    void redo() override;

    std::shared_ptr<Model::Automaton::TotalVolume> getStartVolume() const { return startVolume; }
    const std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> &getCreatedVolumes() const { return created; }

private:
    std::shared_ptr<Model::Automaton::TotalVolume> startVolume;
    std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> created;
    TotalVolumeUndoRedoHelper undoHelper;
};

} // namespace Operations
} // namespace Core
