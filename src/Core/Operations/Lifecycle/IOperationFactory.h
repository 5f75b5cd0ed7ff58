#pragma once

#include <cstdint>
#include <memory>

namespace Core {
namespace Operations {

class Operation;

// Builds an operation, with its options observer attached, from its numeric id.
class IOperationFactory
{
public:
    virtual ~IOperationFactory() = default;
    // An empty pointer for an id without an entry.
    virtual std::shared_ptr<Operation> createOperation(std::uint32_t id) = 0;
    // Whether createOperation() gives an operation for the id (without building one).
    virtual bool canCreate(std::uint32_t) const { return true; }
};

} // namespace Operations
} // namespace Core
