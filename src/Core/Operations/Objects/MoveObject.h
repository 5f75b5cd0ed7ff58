#pragma once

#include "Core/Operations/Objects/TranslationOperation.h"

namespace Core {
namespace Operations {

// Translates the selected objects by a typed or clicked displacement.
class MoveObject : public TranslationOperation
{
public:
    explicit MoveObject(Workspace *workspace);

    // Moves the objects back by the displacement.
    int undo() override;
    void redo() override;

protected:
    bool takeObjects(const QList<std::shared_ptr<Model::Object>> &selected) override;
};

} // namespace Operations
} // namespace Core
