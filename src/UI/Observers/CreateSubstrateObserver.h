#pragma once

#include "Util/IObserver.h"

class QWidget;

namespace Core {
class Workspace;
}

namespace Ui {
namespace Observers {

// Runs the create-substrate dialog for the current create-substrate operation
// and hands the options over; a rejected dialog cancels the operation.
class CreateSubstrateObserver : public Util::IObserver
{
public:
    CreateSubstrateObserver(Core::Workspace *workspace, QWidget *parent);

    void notify() override;

private:
    Core::Workspace *workspace;
    QWidget *parent;
};

} // namespace Observers
} // namespace Ui
