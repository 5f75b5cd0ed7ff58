#include "UI/BatchRun/ProcessStepDialogs.h"

#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/Film/SurfaceRange.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/FileNames.h"
#include "UI/Operations/Doping/DopingOptionsDialog.h"
#include "UI/Operations/Doping/IonImplantationOptionsDialog.h"
#include "UI/Operations/Film/AnisotropicDepositionDialog.h"
#include "UI/Operations/Film/ElectrodepositionDialog.h"
#include "UI/Operations/Film/IsotropicDepositionDialog.h"
#include "UI/Operations/Film/IsotropicEtchingDialog.h"
#include "UI/Operations/Film/MooreOptionsDialog.h"
#include "UI/Operations/Film/PlanarizationOptionsDialog.h"
#include "UI/Operations/Film/SpinCoatingOptionsDialog.h"
#include "UI/Operations/Lithography/PhotolithographyDialog.h"
#include "UI/Operations/ReactiveIonEtching/SimpleRIEDialog.h"
#include "UI/Operations/DeepReactiveIonEtching/DeepRIEDialog.h"
#include "UI/Operations/SiEtching/BCAEtchingDialog.h"
#include "UI/Operations/SiOxidation/SimpleOxidationOptionsDialog.h"
#include "UI/Operations/Substrate/CreateSubstrateDialog.h"

#include <algorithm>
#include <limits>

namespace Ui {

using Core::BatchRun::ProcessData;

namespace {

using Step = std::optional<ProcessData>;

// Runs the dialog modally; on OK the step `convert` reads from it.
template <class Dialog, class Convert>
Step accepted(Dialog &dialog, Convert convert)
{
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return convert(dialog);
}

template <class Dialog>
Step plain(QWidget *parent)
{
    Dialog dialog(parent);
    return accepted(dialog, [](const Dialog &d) { return d.toProcessData(); });
}

template <class Dialog>
Step ofType(QWidget *parent, std::int32_t type)
{
    Dialog dialog(parent);
    return accepted(dialog, [type](const Dialog &d) { return d.toProcessData(type); });
}

// The volume's height as a spin box limit; without a volume the dialog keeps its own.
int heightOf(const std::shared_ptr<Model::Automaton::TotalVolume> &volume)
{
    return int(std::min<std::uint32_t>(volume->getSizeZ(), std::numeric_limits<int>::max()));
}

Step moore(QWidget *parent, std::int32_t type)
{
    Operations::MooreOptionsDialog dialog(parent);
    dialog.setValueLabel(type == Core::ProcessTable::listCode(Core::ProcessKey::MooreEtching) ? QStringLiteral("Etch Depth")
                                                           : QStringLiteral("Film Thickness"));
    return accepted(dialog, [type](const Operations::MooreOptionsDialog &d) { return d.toProcessData(type); });
}

Step saveImage(QWidget *parent)
{
    const QString title = Core::ProcessTable::kind(Core::ProcessKey::SaveImage).listName;
    const QString fileName
        = FileNames::getSaveFileName(parent, title, QString(), QStringLiteral("Image Files (*.png *.jpg *.bmp)"));
    if (fileName.isEmpty())
        return std::nullopt;
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SaveImage));
    step.setParameter(QStringLiteral("Filename"), fileName, true);
    return step;
}

} // namespace

std::optional<ProcessData> ProcessStepDialogs::ask(std::int32_t type, QWidget *parent,
                                                  const std::shared_ptr<Model::Automaton::TotalVolume> &volume,
                                                  const std::function<void()> &refresh)
{
    const Core::ProcessTable::Kind *kind = Core::ProcessTable::byListCode(type);
    if (!kind)
        return std::nullopt;
    switch (kind->key) {
    case Core::ProcessKey::Cvd: return plain<Operations::IsotropicDepositionDialog>(parent);
    case Core::ProcessKey::Pvd: return plain<Operations::AnisotropicDepositionDialog>(parent);
    case Core::ProcessKey::IsotropicEtching: return plain<Operations::IsotropicEtchingDialog>(parent);
    case Core::ProcessKey::MooreDeposition:
    case Core::ProcessKey::MooreEtching: return moore(parent, type);
    case Core::ProcessKey::Electroplating: return plain<Operations::ElectrodepositionDialog>(parent);
    case Core::ProcessKey::SiWetEtching:
    case Core::ProcessKey::ContinuousWetEtching: {
        Operations::BCAEtchingDialog dialog(parent, kind->key);
        return accepted(dialog, [](const Operations::BCAEtchingDialog &d) { return d.toProcessData(); });
    }
    case Core::ProcessKey::Doping:
    case Core::ProcessKey::DiffusionDoping: return ofType<Operations::DopingOptionsDialog>(parent, type);
    case Core::ProcessKey::IonImplantation: return plain<Operations::IonImplantationOptionsDialog>(parent);
    case Core::ProcessKey::SimpleRie: return plain<Operations::SimpleRIEDialog>(parent);
    case Core::ProcessKey::DeepRie: return plain<Operations::DeepRIEDialog>(parent);
    case Core::ProcessKey::SiOxidation: return plain<Operations::SimpleOxidationOptionsDialog>(parent);
    case Core::ProcessKey::SaveImage: return saveImage(parent);
    case Core::ProcessKey::Planarization: {
        Operations::PlanarizationOptionsDialog dialog(parent);
        if (volume) {
            dialog.updateMaximum(heightOf(volume));
            dialog.setVolumeScale(volume->getCellSizeZ(), Core::Operations::SurfaceRange::of(*volume));
        }
        return accepted(dialog, [](const Operations::PlanarizationOptionsDialog &d) { return d.toProcessData(); });
    }
    case Core::ProcessKey::SpinCoating: {
        Operations::SpinCoatingOptionsDialog dialog(parent);
        if (volume) {
            dialog.setHeightLimit(heightOf(volume));
            dialog.setVolumeScale(volume->getCellSizeZ(), Core::Operations::SurfaceRange::of(*volume));
        }
        return accepted(dialog, [](const Operations::SpinCoatingOptionsDialog &d) { return d.toProcessData(); });
    }
    case Core::ProcessKey::CreateSubstrate: {
        Operations::CreateSubstrateDialog dialog(parent);
        dialog.setMaterials(Model::Materials::MaterialFactory::getInstance()->getMaterials());
        return accepted(dialog, [](const Operations::CreateSubstrateDialog &d) { return d.toProcessData(); });
    }
    case Core::ProcessKey::Photolithography: {
        // Applied masks show over the batch's volume; without one they are
        // only kept for the step.
        Core::Operations::MaskOverlayReceiver receiver(volume, refresh);
        Operations::PhotolithographyDialog dialog(&receiver, parent);
        return accepted(dialog, [](const Operations::PhotolithographyDialog &d) { return d.toProcessData(); });
    }
    default: return std::nullopt;
    }
}

} // namespace Ui
