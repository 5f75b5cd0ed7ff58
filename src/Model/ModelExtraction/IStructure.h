#pragma once

#include <QString>

namespace Model {
namespace ModelExtraction {

// A structure found in an extracted model, written out as a circuit.
class IStructure
{
public:
    virtual ~IStructure() = default;
    // The circuit as netlist text; empty when there is nothing to write.
    virtual QString netlist() const = 0;
};

} // namespace ModelExtraction
} // namespace Model
