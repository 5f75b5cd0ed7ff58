#pragma once

#include "Core/Operations/Doping/DopantProcessOperation.h"
#include "Core/Operations/Doping/DopingRecipes.h"

#include <optional>

namespace Core {
namespace Operations {

// Implants a doped layer at a depth below the top of every column of the
// selected volume and anneals it, or dopes where the profile of a species,
// energy and dose (annealed or not) exceeds the background. Undoable like
// every process that changes cells.
class IonImplantationOperation : public DopantProcessOperation
{
public:

    explicit IonImplantationOperation(Workspace *workspace);

    void setImplantationDepth(float depth);
    void setAnnealingDistance(float distance);
    // Takes the place of the depth and the annealing distance; the dopant
    // type becomes the species' type.
    void setRecipe(const ImplantRecipe &recipe);

    void end() override;

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    float implantationDepth = 0.0f;
    float annealingDistance = 0.0f;
    bool depthSet = false;
    bool distanceSet = false;
    std::optional<ImplantRecipe> recipe;
};

} // namespace Operations
} // namespace Core
