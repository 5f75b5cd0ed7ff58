#pragma once

#include "Core/Operations/Lifecycle/Operation.h"

namespace Core {
namespace Operations {

// An operation that changes the scene and can be undone and redone.
class ObjectOperation : public Operation
{
public:
    using Operation::Operation;

    // 1: the effect was undone (the operation moves to the redo stack);
    // 0: nothing was undone (it goes back onto the undo stack).
    virtual int undo() = 0;
    virtual void redo() = 0;
};

} // namespace Operations
} // namespace Core
