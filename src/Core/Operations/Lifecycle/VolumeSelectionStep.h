#pragma once

#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

class Operation;

// The first step of every operation that works on one cell volume: take the
// first selected volume, or ask for one and wait for Enter/Return.
class VolumeSelectionStep
{
public:
    // True when a volume was taken now (it is stored in `volume`, the
    // selection is cleared and ": Cell volume selected." written). Otherwise
    // the prompt is written, the operation waits for Enter/Return and
    // selection mode is on.
    static bool take(Operation &operation, std::shared_ptr<Model::Automaton::TotalVolume> &volume);
    // The first cell volume among the selected objects, in selection order.
    static std::shared_ptr<Model::Automaton::TotalVolume> firstSelectedVolume(Operation &operation);
};

} // namespace Operations
} // namespace Core
