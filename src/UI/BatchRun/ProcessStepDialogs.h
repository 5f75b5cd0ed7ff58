#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {


// "Add Process" of the batch dialog: shows the options dialog the interactive
// operation of that process type uses (a file chooser for Save Image) and
// turns the accepted options into a step. `volume` is the batch's current
// volume (may be null): it bounds the heights of planarization and spin
// coating and carries the photolithography masks while they are applied;
// `refresh` repaints the view after that.
class ProcessStepDialogs
{
public:
    // Empty when the dialog was cancelled or the type has no dialog.
    static std::optional<Core::BatchRun::ProcessData> ask(std::int32_t type, QWidget *parent,
                                          const std::shared_ptr<Model::Automaton::TotalVolume> &volume,
                                          const std::function<void()> &refresh);
};

} // namespace Ui
