#include "Core/Operations/Doping/DopantProcessOperation.h"

namespace Core {
namespace Operations {

void DopantProcessOperation::setHostMaterial(std::uint32_t id)
{
    hostMaterial = id;
    hostSet = true;
    optionSet();
}

void DopantProcessOperation::setDopantType(std::uint32_t type)
{
    dopantType = type;
    typeSet = true;
    optionSet();
}

} // namespace Operations
} // namespace Core
