#pragma once

#include "Core/Operations/Lifecycle/Operation.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Util {
class IObserver;
}

namespace Core {
namespace Operations {

// The batch run's entry: asks for the cell volume the recipe will run on, or
// lets the user go on without one (an answer starting with n or N), then
// hands over to the class-wide batch-run observer, which opens the batch
// dialog for the kept volume or for none.
class SelectVolumesOperation : public Operation
{
public:
    explicit SelectVolumesOperation(Workspace *workspace);
    ~SelectVolumesOperation() override;

    void step() override;
    // Only once a volume was kept or refused: opens the batch dialog.
    void end() override;
    // Silent: no message.
    void cancel() override;

    std::shared_ptr<Model::Automaton::TotalVolume> getVolume() const { return volume; }
    bool isDone() const { return done; }

    // The observer every operation of this class notifies at its end.
    static void setBatchRunObserver(const std::shared_ptr<Util::IObserver> &observer);
    static std::shared_ptr<Util::IObserver> getBatchRunObserver();

private:
    bool done = false;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    QString answer;
};

} // namespace Operations
} // namespace Core
