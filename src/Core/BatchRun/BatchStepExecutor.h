#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Ui {
class ProcessData;
}

namespace Core {

class Workspace;

namespace BatchRun {

// Runs one step of a process list on the current volume: reads the step's
// parameters by name and builds the process's algorithm object directly,
// without the operation lifecycle (no console messages, no undo states).
// The batch dialog and the command-line tool both run steps through it.
class BatchStepExecutor
{
public:
    enum Code {
        Done = 0,
        MissingParameter = 1,
        BadParameter = 2,
        UnknownProcess = 3,
        NotEnoughMemory = 4,
        ImageNotSaved = 5,
        UnknownMaterial = 6,
    };

    // Everything a step may read or change.
    struct Context
    {
        Workspace *workspace = nullptr;
        std::shared_ptr<Model::Automaton::TotalVolume> volume;
        // Renders the scene and saves it; empty file name: only refresh.
        std::function<bool(const QString &fileName)> saveImage;
        // Volumes the run's Create Substrate steps made, in order.
        std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> createdVolumes;
        // Set while a window may draw during the run: a new volume is then
        // added hidden, so its first drawing is built on the interface
        // thread once the run is over and never waits for a running step.
        bool hideNewVolumes = false;
        // The parameter that made the last step give up, and what is wrong
        // with it ("\"Thickness\" is missing"), for reports.
        QString failedParameter;
        QString failureReason;
    };

    using Step = std::function<int(const Ui::ProcessData &, Context &)>;

    BatchStepExecutor();

    int execute(const Ui::ProcessData &step, Context &context) const;
    bool knows(int type) const { return steps.contains(type); }
    // Every step but Create Substrate needs a volume to work on.
    static bool needsVolume(int type);
    static QString describe(int code);

    static constexpr int createSubstrateType = 11;
    static constexpr int saveImageType = 10;
    static constexpr int siWetEtchingType = 1;

private:
    QHash<int, Step> steps;
};

} // namespace BatchRun
} // namespace Core
