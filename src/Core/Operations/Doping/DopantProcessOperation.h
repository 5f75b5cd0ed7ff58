#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// A process that dopes a host material N or P type: doping and ion
// implantation. Both setters count as options; the process adds its lengths.
class DopantProcessOperation : public VolumeProcessOperation
{
public:
    using VolumeProcessOperation::VolumeProcessOperation;

    void setHostMaterial(std::uint32_t id);
    // 1: P type, 0: N type.
    void setDopantType(std::uint32_t type);

protected:
    bool isDopantSet() const { return hostSet && typeSet; }
    std::uint32_t getHostMaterial() const { return hostMaterial; }
    std::uint32_t getDopantType() const { return dopantType; }

private:
    std::uint32_t hostMaterial = 1;
    std::uint32_t dopantType = 0;
    bool hostSet = false;
    bool typeSet = false;
};

} // namespace Operations
} // namespace Core
