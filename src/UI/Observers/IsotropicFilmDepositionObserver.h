#pragma once

#include "Util/IObserver.h"

class QWidget;

namespace Core {
class Workspace;
}

namespace Ui {
namespace Observers {

// Runs the isotropic deposition dialog for the current deposition operation
// and, on OK, hands the options over and finishes it. A cancelled dialog
// leaves the operation waiting.
class IsotropicFilmDepositionObserver : public Util::IObserver
{
public:
    IsotropicFilmDepositionObserver(Core::Workspace *workspace, QWidget *parent);

    void notify() override;

private:
    Core::Workspace *workspace;
    QWidget *parent;
};

} // namespace Observers
} // namespace Ui
