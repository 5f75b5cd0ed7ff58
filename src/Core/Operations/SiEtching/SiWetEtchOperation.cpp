#include "Core/Operations/SiEtching/SiWetEtchOperation.h"

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"

#include <new>

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
    // The lifecycle puts back whatever an etch that ran out of memory changed.
    if (!SiWetEtchRun::run(workspace, volume, *engine))
        throw std::bad_alloc();
}

} // namespace Operations
} // namespace Core
