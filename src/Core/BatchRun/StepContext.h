#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {

class Workspace;

namespace BatchRun {

// Everything a batch step may read or change.
struct StepContext
{
    Workspace *workspace = nullptr;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    // Renders the scene and saves it; empty file name: only refresh.
    std::function<bool(const QString &fileName)> saveImage;
    // The parameter that made the last step give up, and what is wrong
    // with it ("\"Thickness\" is missing"), for reports.
    QString failedParameter;
    QString failureReason;
};

} // namespace BatchRun
} // namespace Core
