#include "Core/Operations/SiEtching/SiWetEtchOperation.h"

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"

namespace Core {
namespace Operations {

SiWetEtchOperation::~SiWetEtchOperation() = default;

void SiWetEtchOperation::setDepth(double value)
{
    depth = value;
    optionSet();
}

void SiWetEtchOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    const std::unique_ptr<SiWetEtchEngine> engine = makeEngine(&volume);
    engine->setProgress(progressSink());
    if (!SiWetEtchRun::run(workspace, volume, *engine))
        message(QStringLiteral(": Not enough memory for the silicon lattice; nothing was etched."));
}

} // namespace Operations
} // namespace Core
