#include "Core/Operations/Lifecycle/FilmProcessOperation.h"

namespace Core {
namespace Operations {

void FilmProcessOperation::setMaterial(std::uint32_t id)
{
    material = id;
    optionSet();
}

void FilmProcessOperation::setLength(float value)
{
    length = value;
    optionSet();
}

void FilmProcessOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    effect.noteLength(lengthName(), length);
}

} // namespace Operations
} // namespace Core
