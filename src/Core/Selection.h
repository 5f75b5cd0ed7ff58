#pragma once

#include <QList>

#include <cstdint>
#include <memory>

namespace Model {
class Document;
class Object;
}

namespace Util {
class IObserver;
}

namespace Core {

class PickState;

// The selection mode and the objects selected in the view, in the order they
// were picked. Every change is published to the pick state for drawing.
class Selection
{
public:
    Selection(Model::Document *document, PickState *pickState);

    bool isSelectionMode() const { return selectionMode; }
    // Turning the mode off clears the selection; observers hear of every change.
    void setSelectionMode(bool mode);
    void clearSelection();
    QList<std::shared_ptr<Model::Object>> getSelectedObjects() const;

    // Toggles the object the view's selection pass hit first. Only in
    // selection mode; false when no object has that id.
    bool togglePicked(std::uint32_t objectId);
    // Adds an object directly (operations and tests that select programmatically).
    void select(const std::shared_ptr<Model::Object> &object);

    void addSelectionModeObserver(const std::shared_ptr<Util::IObserver> &observer);
    // Told of every change of the selected objects.
    void addSelectionObserver(const std::shared_ptr<Util::IObserver> &observer);

private:
    void publish();

    Model::Document *document;
    PickState *pickState;
    QList<std::shared_ptr<Model::Object>> selected;
    QList<std::shared_ptr<Util::IObserver>> modeObservers;
    QList<std::shared_ptr<Util::IObserver>> selectionObservers;
    bool selectionMode = false;
};

} // namespace Core
