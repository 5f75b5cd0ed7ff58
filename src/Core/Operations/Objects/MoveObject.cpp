#include "Core/Operations/Objects/MoveObject.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Object.h"

namespace Core {
namespace Operations {

MoveObject::MoveObject(Workspace *ws)
    : TranslationOperation(ws, ProcessTable::operationName(ProcessKey::Move), ProcessTable::operationId(ProcessKey::Move),
                           Wording{QStringLiteral("Move: Select the object(s) to be moved and press Enter"),
                                   QStringLiteral("Move: Left click or enter the distance into the console (x, y, z):"),
                                   QStringLiteral("Move: Left click on destination."),
                                   QStringLiteral("Move: Object(s) moved"),
                                   QStringLiteral("Move: Operation canceled")})
{
}

bool MoveObject::takeObjects(const QList<std::shared_ptr<Model::Object>> &selected)
{
    objects = selected;
    return true;
}

int MoveObject::undo()
{
    for (const auto &object : objects)
        object->translate(-1.0 * getDisplacement());
    workspace->notifyOperationEnded();
    return 1;
}

void MoveObject::redo()
{
    place();
}

} // namespace Operations
} // namespace Core
