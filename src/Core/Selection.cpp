#include "Selection.h"

#include "Model/Document.h"
#include "Model/Object.h"
#include "PickState.h"
#include "Util/IObserver.h"

namespace Core {

Selection::Selection(Model::Document *doc, PickState *pick)
    : document(doc)
    , pickState(pick)
{
}

void Selection::setSelectionMode(bool mode)
{
    if (mode == selectionMode)
        return;
    selectionMode = mode;
    if (!mode)
        clearSelection();
    const auto observers = modeObservers;
    for (const auto &observer : observers)
        observer->notify();
}

void Selection::clearSelection()
{
    for (const auto &object : selected)
        object->setSelected(false);
    selected.clear();
    publish();
}

QList<std::shared_ptr<Model::Object>> Selection::getSelectedObjects() const
{
    return pickState->getSelectedObjects();
}

bool Selection::togglePicked(std::uint32_t objectId)
{
    if (!selectionMode)
        return false;
    auto object = document->findObject(objectId);
    if (!object)
        return false;
    if (object->isSelected()) {
        object->setSelected(false);
        selected.removeAll(object);
    } else {
        object->setSelected(true);
        selected.append(object);
    }
    publish();
    return true;
}

void Selection::select(const std::shared_ptr<Model::Object> &object)
{
    if (!object || selected.contains(object))
        return;
    object->setSelected(true);
    selected.append(object);
    publish();
}

void Selection::addSelectionModeObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    modeObservers.append(observer);
}

void Selection::addSelectionObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    selectionObservers.append(observer);
}

void Selection::publish()
{
    pickState->setSelectedObjects(selected);
    const auto observers = selectionObservers;
    for (const auto &observer : observers)
        observer->notify();
}

} // namespace Core
