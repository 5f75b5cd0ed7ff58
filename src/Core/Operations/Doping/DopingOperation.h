#pragma once

#include "Core/Operations/Doping/DopantProcessOperation.h"
#include "Core/Operations/Doping/DopingRecipes.h"

#include <optional>

namespace Core {
namespace Operations {

// Dopes the silicon of the selected volume N or P type to a depth below its
// exposed surface: a depth given as it is, or the junction depth of a
// diffusion from a constant surface source.
class DopingOperation : public DopantProcessOperation
{
public:

    explicit DopingOperation(Workspace *workspace);

    void setDepth(float depth);
    // The depth becomes the recipe's junction depth and the dopant type the
    // species' type.
    void setRecipe(const DiffusionRecipe &recipe);

    void end() override;

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    float depth = 0.0f;
    bool depthSet = false;
    std::optional<DiffusionRecipe> recipe;
};

} // namespace Operations
} // namespace Core
