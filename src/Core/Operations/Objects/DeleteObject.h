#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Model/Document.h"

#include <QList>
#include <QVector>

#include <memory>

namespace Model {
class Object;
}

namespace Core {
namespace Operations {

// Removes the selected objects from the document. They are kept, with the
// layer and place each had, so undo puts the same objects back where they were.
//
// Started with objects selected it finishes at once; otherwise it asks for a
// selection and waits for Enter/Return.
class DeleteObject : public ObjectOperation
{
public:
    explicit DeleteObject(Workspace *workspace);

    void step() override;
    void end() override;
    void cancel() override;
    int undo() override;
    void redo() override;

    bool isDone() const { return done; }
    QList<std::shared_ptr<Model::Object>> getObjects() const { return objects; }

private:
    void removeObjects();

    bool done = false;
    QList<std::shared_ptr<Model::Object>> objects;
    QVector<Model::Document::Placement> placements;
};

} // namespace Operations
} // namespace Core
