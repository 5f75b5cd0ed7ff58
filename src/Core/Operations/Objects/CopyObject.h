#pragma once

#include "Core/Operations/Objects/TranslationOperation.h"
#include "Model/Document.h"

#include <QVector>

namespace Core {
namespace Operations {

// Places translated clones of the selected objects; the originals stay where
// they are. The clones are in the document from the moment they are made, so
// the view shows them following the mouse.
class CopyObject : public TranslationOperation
{
public:
    explicit CopyObject(Workspace *workspace);

    // Takes the clones out of the document again.
    int undo() override;
    void redo() override;

protected:
    bool takeObjects(const QList<std::shared_ptr<Model::Object>> &selected) override;
    void dropObjects() override;

private:
    // Where each clone stood when undo took it out.
    QVector<Model::Document::Placement> placements;
};

} // namespace Operations
} // namespace Core
