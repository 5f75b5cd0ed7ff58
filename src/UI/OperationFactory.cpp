#include "OperationFactory.h"

#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "Core/Operations/Document/OpenDocumentOperation.h"
#include "Core/Operations/Lifecycle/Operation.h"
#include "Core/Operations/Document/SaveDocumentAsOperation.h"
#include "Core/Operations/Document/SaveDocumentOperation.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "MainWindow.h"
#include "MainWindowPresenter.h"
#include "Core/Operations/BatchRun/SelectVolumesOperation.h"
#include "Observers/BatchRunObserver.h"
#include "Observers/CreateSubstrateObserver.h"
#include "Observers/CutCellVolumeObserver.h"
#include "Observers/ExtractFilmObserver.h"
#include "Observers/GlueSubstrateObserver.h"
#include "Observers/DocumentOpenedObserver.h"
#include "Observers/DocumentSavedObserver.h"
#include "Observers/IsotropicFilmDepositionObserver.h"
#include "Observers/IsotropicFilmEtchingObserver.h"
#include "Observers/SiWetEtchObserver.h"
#include "Observers/AnisotropicFilmDepositionObserver.h"
#include "Observers/ChangeTotalVolumeVisualizationOptionsObserver.h"
#include "Observers/ElectrodepositionObserver.h"
#include "Observers/MooreDepositionObserver.h"
#include "Observers/MooreEtchingObserver.h"
#include "Observers/PlanarizationObserver.h"
#include "Observers/SpinCoatingObserver.h"
#include "Observers/DopingOptionsObserver.h"
#include "Observers/IonImplantationOptionsObserver.h"
#include "Observers/SiOxidationObserver.h"
#include "Observers/SimpleRIEObserver.h"
#include "Observers/DeepRIEObserver.h"
#include "Observers/PhotolithographyObserver.h"
#include "Observers/RunModelExtractionObserver.h"

#include <mutex>

namespace Ui {

namespace {

using namespace Core::Operations;

// An operation with an options observer built from (workspace, dialog parent)
// and given through the operation's setter.
template <class Obs>
Core::ProcessTable::InterfaceBuilder observed(Core::ProcessKey key)
{
    return [key](Core::Workspace *workspace, QWidget *dialogParent) {
        auto operation = Core::ProcessTable::kind(key).makeOperation(workspace);
        operation->setObserver(std::make_shared<Obs>(workspace, dialogParent));
        return operation;
    };
}

// Save and Save As: the observer is built with the main window alone.
std::shared_ptr<Operation> savingDocument(Core::ProcessKey key, Core::Workspace *workspace, QWidget *mainWindow)
{
    auto operation = Core::ProcessTable::kind(key).makeOperation(workspace);
    operation->setObserver(std::make_shared<Observers::DocumentSavedObserver>(qobject_cast<MainWindow *>(mainWindow)));
    return operation;
}

// Open: the observer, built without arguments, goes into the class-wide slot.
std::shared_ptr<Operation> openingDocument(Core::Workspace *workspace, QWidget *)
{
    OpenDocumentOperation::setDocumentOpenedObserver(std::make_shared<Observers::DocumentOpenedObserver>());
    return Core::ProcessTable::kind(Core::ProcessKey::Open).makeOperation(workspace);
}

// Photolithography: the observer goes into the class-wide slot, replacing
// the previous one; the new operation takes it from there.
std::shared_ptr<Operation> lithography(Core::Workspace *workspace, QWidget *dialogParent)
{
    PhotolithographyOperation::setClassObserver(
        std::make_shared<Observers::PhotolithographyObserver>(workspace, dialogParent));
    return Core::ProcessTable::kind(Core::ProcessKey::Photolithography).makeOperation(workspace);
}

// Batch Run: the observer goes into the class-wide slot the operation
// notifies at its end.
std::shared_ptr<Operation> batchRun(Core::Workspace *workspace, QWidget *dialogParent)
{
    SelectVolumesOperation::setBatchRunObserver(std::make_shared<Observers::BatchRunObserver>(workspace, dialogParent));
    return Core::ProcessTable::kind(Core::ProcessKey::BatchRun).makeOperation(workspace);
}

} // namespace

OperationFactory::OperationFactory(MainWindowPresenter *p)
    : presenter(p)
{
    registerInterfaces();
}

void OperationFactory::registerInterfaces()
{
    static std::once_flag once;
    std::call_once(once, [] {
        using Core::ProcessKey;
        using Core::ProcessTable;
        namespace O = Observers;
        ProcessTable::registerInterface(ProcessKey::CreateSubstrate, observed<O::CreateSubstrateObserver>(ProcessKey::CreateSubstrate));
        ProcessTable::registerInterface(ProcessKey::IonImplantation,
                                        observed<O::IonImplantationOptionsObserver>(ProcessKey::IonImplantation));
        ProcessTable::registerInterface(ProcessKey::Save, [](Core::Workspace *w, QWidget *p) {
            return savingDocument(ProcessKey::Save, w, p);
        });
        ProcessTable::registerInterface(ProcessKey::SaveAs, [](Core::Workspace *w, QWidget *p) {
            return savingDocument(ProcessKey::SaveAs, w, p);
        });
        ProcessTable::registerInterface(ProcessKey::Open, &openingDocument);
        ProcessTable::registerInterface(ProcessKey::Cvd, observed<O::IsotropicFilmDepositionObserver>(ProcessKey::Cvd));
        ProcessTable::registerInterface(ProcessKey::IsotropicEtching,
                                        observed<O::IsotropicFilmEtchingObserver>(ProcessKey::IsotropicEtching));
        ProcessTable::registerInterface(ProcessKey::Electroplating,
                                        observed<O::ElectrodepositionObserver>(ProcessKey::Electroplating));
        ProcessTable::registerInterface(ProcessKey::Doping, observed<O::DopingOptionsObserver>(ProcessKey::Doping));
        ProcessTable::registerInterface(ProcessKey::MooreDeposition,
                                        observed<O::MooreDepositionObserver>(ProcessKey::MooreDeposition));
        ProcessTable::registerInterface(ProcessKey::MooreEtching, observed<O::MooreEtchingObserver>(ProcessKey::MooreEtching));
        ProcessTable::registerInterface(ProcessKey::Photolithography, &lithography);
        ProcessTable::registerInterface(ProcessKey::BatchRun, &batchRun);
        ProcessTable::registerInterface(ProcessKey::Planarization,
                                        observed<O::PlanarizationObserver>(ProcessKey::Planarization));
        ProcessTable::registerInterface(ProcessKey::SpinCoating, observed<O::SpinCoatingObserver>(ProcessKey::SpinCoating));
        ProcessTable::registerInterface(ProcessKey::SiOxidation, observed<O::SiOxidationObserver>(ProcessKey::SiOxidation));
        ProcessTable::registerInterface(ProcessKey::Pvd, observed<O::AnisotropicFilmDepositionObserver>(ProcessKey::Pvd));
        ProcessTable::registerInterface(ProcessKey::SiWetEtching, observed<O::AtomicSiBCAEtchObserver>(ProcessKey::SiWetEtching));
        ProcessTable::registerInterface(ProcessKey::ContinuousWetEtching,
                                        observed<O::CCAWetEtchingObserver>(ProcessKey::ContinuousWetEtching));
        ProcessTable::registerInterface(ProcessKey::SimpleRie, observed<O::SimpleRIEObserver>(ProcessKey::SimpleRie));
        ProcessTable::registerInterface(ProcessKey::DeepRie, observed<O::DeepRIEObserver>(ProcessKey::DeepRie));
        ProcessTable::registerInterface(ProcessKey::ModelExtraction, &O::RunModelExtractionObserver::createOperation);
        ProcessTable::registerInterface(ProcessKey::ViewingOptions,
                                        observed<O::ChangeTotalVolumeVisualizationOptionsObserver>(ProcessKey::ViewingOptions));
        ProcessTable::registerInterface(ProcessKey::Glue, observed<O::GlueSubstrateObserver>(ProcessKey::Glue));
        ProcessTable::registerInterface(ProcessKey::Cut, observed<O::CutCellVolumeObserver>(ProcessKey::Cut));
        ProcessTable::registerInterface(ProcessKey::ExtractFilm, observed<O::ExtractFilmObserver>(ProcessKey::ExtractFilm));
    });
}

std::shared_ptr<Core::Operations::Operation> OperationFactory::createOperation(std::uint32_t id)
{
    return Core::ProcessTable::createInteractive(id, presenter->getWorkspace(), presenter->getMainWindow());
}

bool OperationFactory::isBuilt(std::uint32_t id)
{
    const Core::ProcessTable::Kind *kind = Core::ProcessTable::byMenuId(id);
    return kind && kind->isBuilt();
}

} // namespace Ui
