#pragma once

#include "Util/IObserver.h"

class QWidget;

namespace Core {
class Workspace;
}

namespace Ui {
namespace Observers {

// Runs the isotropic etching dialog for the current etching operation
// and, on OK, hands the options over and finishes it. A cancelled dialog
// leaves the operation waiting.
class IsotropicFilmEtchingObserver : public Util::IObserver
{
public:
    IsotropicFilmEtchingObserver(Core::Workspace *workspace, QWidget *parent);

    void notify() override;

private:
    Core::Workspace *workspace;
    QWidget *parent;
};

} // namespace Observers
} // namespace Ui
