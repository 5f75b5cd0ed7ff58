#include "IsotropicFilmEtchingObserver.h"

#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"
#include "Model/Automaton/ExposedSurface.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/Operations/Film/IsotropicEtchingDialog.h"

namespace Ui {
namespace Observers {

void IsotropicFilmEtchingObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::IsotropicFilmEtchingOperation>();
    if (!operation)
        return;

    Operations::IsotropicEtchingDialog dialog(parent);
    // Etching usually attacks what the surface is made of.
    if (const auto volume = operation->getVolume())
        dialog.setMaterialId(Model::Automaton::ExposedSurface::dominantMaterial(*volume));
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setDepth(float(dialog.getDepth()));
    operation->setMaterial(dialog.getMaterialId());
    operation->end();
}

} // namespace Observers
} // namespace Ui
