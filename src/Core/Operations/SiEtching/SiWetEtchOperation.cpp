#include "Core/Operations/SiEtching/SiWetEtchOperation.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"

#include <new>

namespace Core {
namespace Operations {

SiWetEtchOperation::~SiWetEtchOperation() = default;

void SiWetEtchOperation::setDepth(double value)
{
    depth = value;
    recipe.reset();
    optionSet();
}

void SiWetEtchOperation::setRecipe(const WetEtchRecipe &value)
{
    depth = value.depth();
    recipe = value;
    optionSet();
}

void SiWetEtchOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    outcome = SiWetEtchEngine::Outcome();
    const std::unique_ptr<SiWetEtchEngine> engine = makeEngine(&volume);
    engine->setProgress(progressSink());
    engine->setFloorPaced(recipe.has_value());
    // The lifecycle puts back whatever an etch that ran out of memory changed.
    if (!SiWetEtchRun::run(workspace, volume, *engine))
        throw std::bad_alloc();
    outcome = engine->outcome();
}

void SiWetEtchOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    if (recipe)
        effect.addNote(recipe->text());
    SiWetEtchEngine::describe(outcome, effect);
}

} // namespace Operations
} // namespace Core
