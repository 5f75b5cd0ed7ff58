#include "Core/Operations/Objects/CopyObject.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Object.h"
#include "Util/Logging.h"

#include <new>

namespace Core {
namespace Operations {

CopyObject::CopyObject(Workspace *ws)
    : TranslationOperation(ws, ProcessTable::operationName(ProcessKey::Copy), ProcessTable::operationId(ProcessKey::Copy),
                           Wording{QStringLiteral("Copy: Select the object(s) to be copied and press Enter"),
                                   QStringLiteral("Copy: Left click or enter the distance into the console (x, y, z):"),
                                   QStringLiteral("Copy: Left click on destination."),
                                   QStringLiteral("Copy: Object(s) copied"),
                                   QStringLiteral("Copy: Operation canceled")})
{
}

bool CopyObject::takeObjects(const QList<std::shared_ptr<Model::Object>> &selected)
{
    QList<std::shared_ptr<Model::Object>> clones;
    try {
        for (const auto &object : selected) {
            if (std::shared_ptr<Model::Object> clone{object->clone()})
                clones.append(clone);
        }
    } catch (const std::bad_alloc &) {
        qCDebug(lcOperation) << "Copy: allocation refused for a clone";
        clones.clear();
        workspace->getConsoleInput().setMessage(QStringLiteral("Copy: not enough memory to copy the object(s)."));
        cancel();
        return false;
    }
    if (clones.isEmpty()) {
        workspace->getConsoleInput().setMessage(QStringLiteral("Copy: the selected object(s) cannot be copied."));
        cancel();
        return false;
    }
    objects = clones;
    for (const auto &clone : objects)
        workspace->getDocument().addObject(clone);
    return true;
}

void CopyObject::dropObjects()
{
    for (const auto &clone : objects)
        workspace->getDocument().takeObject(clone);
}

int CopyObject::undo()
{
    placements.clear();
    for (const auto &clone : objects)
        placements.append(workspace->getDocument().takeObject(clone));
    workspace->notifyOperationEnded();
    return 1;
}

void CopyObject::redo()
{
    for (int i = 0; i < objects.size(); ++i)
        workspace->getDocument().restoreObject(objects[i], i < placements.size() ? placements[i]
                                                                                  : Model::Document::Placement());
}

} // namespace Operations
} // namespace Core
