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

} // namespace Operations
} // namespace Core
