#include "OperationFactory.h"

#include "Core/Operations/BatchRun/SelectVolumesOperation.h"
#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"
#include "Core/Operations/Film/AnisotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/ElectrodepositionOperation.h"
#include "Core/Operations/Film/MooreNeighborhoodDepositionOperation.h"
#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"
#include "Core/Operations/Film/PlanarizationOperation.h"
#include "Core/Operations/Film/SpinCoatingOperation.h"
#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "Core/Operations/Document/OpenDocumentOperation.h"
#include "Core/Operations/Doping/DopingOperation.h"
#include "Core/Operations/Doping/IonImplantationOperation.h"
#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtchingOperation.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidationOperation.h"
#include "Core/Operations/Lifecycle/Operation.h"
#include "Core/Operations/Document/SaveDocumentAsOperation.h"
#include "Core/Operations/Document/SaveDocumentOperation.h"
#include "Core/Operations/SiEtching/AtomisticSiWetEtchingOperation.h"
#include "Core/Operations/SiEtching/ContinousWetEtchOperation.h"
#include "Core/Workspace.h"
#include "MainWindow.h"
#include "MainWindowPresenter.h"
#include "Observers/BatchRunObserver.h"
#include "Observers/CreateSubstrateObserver.h"
#include "Observers/DocumentOpenedObserver.h"
#include "Observers/DocumentSavedObserver.h"
#include "Observers/IsotropicFilmDepositionObserver.h"
#include "Observers/IsotropicFilmEtchingObserver.h"
#include "Observers/SiWetEtchObserver.h"
#include "Observers/CVDObserver.h"
#include "Observers/ElectrodepositionObserver.h"
#include "Observers/MooreDepositionObserver.h"
#include "Observers/MooreEtchingObserver.h"
#include "Observers/PlanarizationObserver.h"
#include "Observers/SpinCoatingObserver.h"
#include "Observers/DopingOptionsObserver.h"
#include "Observers/IonImplantationOptionsObserver.h"
#include "Observers/SiOxidationObserver.h"
#include "Observers/SimpleRIEObserver.h"
#include "Observers/PhotolithographyObserver.h"

namespace Ui {

namespace {

using namespace Core::Operations;
using Builder = std::shared_ptr<Operation> (*)(Core::Workspace *, QWidget *);

// An operation without options.
template <class Op>
std::shared_ptr<Operation> plain(Core::Workspace *workspace, QWidget *)
{
    return std::make_shared<Op>(workspace);
}

// An operation with an options observer built from (workspace, dialog parent)
// and given through the operation's setter.
template <class Op, class Obs>
std::shared_ptr<Operation> observed(Core::Workspace *workspace, QWidget *dialogParent)
{
    auto operation = std::make_shared<Op>(workspace);
    operation->setObserver(std::make_shared<Obs>(workspace, dialogParent));
    return operation;
}

// Save and Save As: the observer is built with the main window alone.
template <class Op>
std::shared_ptr<Operation> savingDocument(Core::Workspace *workspace, QWidget *mainWindow)
{
    auto operation = std::make_shared<Op>(workspace);
    operation->setObserver(std::make_shared<Observers::DocumentSavedObserver>(qobject_cast<MainWindow *>(mainWindow)));
    return operation;
}

// Open: the observer, built without arguments, goes into the class-wide slot.
std::shared_ptr<Operation> openingDocument(Core::Workspace *workspace, QWidget *)
{
    OpenDocumentOperation::setDocumentOpenedObserver(std::make_shared<Observers::DocumentOpenedObserver>());
    return std::make_shared<OpenDocumentOperation>(workspace);
}

// Photolithography: the observer goes into the class-wide slot, replacing
// the previous one; the new operation takes it from there.
std::shared_ptr<Operation> lithography(Core::Workspace *workspace, QWidget *dialogParent)
{
    PhotolithographyOperation::setClassObserver(
        std::make_shared<Observers::PhotolithographyObserver>(workspace, dialogParent));
    return std::make_shared<PhotolithographyOperation>(workspace);
}

// Batch Run: the observer goes into the class-wide slot the operation
// notifies at its end.
std::shared_ptr<Operation> batchRun(Core::Workspace *workspace, QWidget *dialogParent)
{
    SelectVolumesOperation::setBatchRunObserver(std::make_shared<Observers::BatchRunObserver>(workspace, dialogParent));
    return std::make_shared<SelectVolumesOperation>(workspace);
}

struct Entry
{
    std::uint32_t id;
    Builder build; // nullptr: the operation is not part of this program yet
};

// Every menu operation by id. Ids 5, 21 and 25 are free; anything not listed
// (0, 31 to 999, above 1000) has no operation.
const Entry operationTable[] = {
    {1, nullptr},    // Copy: CopyObject
    {2, &observed<CreateSubstrateOperation, Observers::CreateSubstrateObserver>},
    {3, &observed<IonImplantationOperation, Observers::IonImplantationOptionsObserver>},
    {4, nullptr},    // Delete: DeleteObject
    {6, nullptr},    // Viewing options: ChangeTotalVolumeVisualizationOptions, ChangeTotalVolumeViewOptionsObserver
    {7, nullptr},    // Move: MoveObject
    {8, nullptr},    // Extract Film: ExtractFilm, ExtractFilmObserver
    {9, &savingDocument<SaveDocumentOperation>},
    {10, &savingDocument<SaveDocumentAsOperation>},
    {11, &openingDocument},
    {12, nullptr},   // Glue Substrate: GlueSubstrateOperation, GlueSubstrateObserver
    {13, &observed<IsotropicFilmDepositionOperation, Observers::IsotropicFilmDepositionObserver>},
    {14, &observed<IsotropicFilmEtchingOperation, Observers::IsotropicFilmEtchingObserver>},
    {15, &observed<ElectrodepositionOperation, Observers::ElectrodepositionObserver>},
    {16, nullptr},   // Cut Cell Volume: CutCellVolumeOperation, CutCellVolumeObserver
    {17, &observed<DopingOperation, Observers::DopingOptionsObserver>},
    {18, &observed<MooreNeighborhoodDepositionOperation, Observers::MooreDepositionObserver>},
    {19, &observed<MooreNeighborhoodEtchingOperation, Observers::MooreEtchingObserver>},
    {20, &lithography},
    {22, &observed<PlanarizationOperation, Observers::PlanarizationObserver>},
    {23, &observed<SpinCoatingOperation, Observers::SpinCoatingObserver>},
    {24, &batchRun},
    {26, &observed<SimpleSiOxidationOperation, Observers::SiOxidationObserver>},
    {27, &observed<AnisotropicFilmDepositionOperation, Observers::CVDObserver>},
    {28, &observed<AtomisticSiWetEtchingOperation, Observers::AtomicSiBCAEtchObserver>},
    {29, &observed<ContinousWetEtchOperation, Observers::CCAWetEtchingObserver>},
    {30, &observed<SimpleReactiveIonEtchingOperation, Observers::SimpleRIEObserver>},
    {1000, nullptr}, // Model Extraction: RunModelExtraction, RunModelExtractionObserver(workspace, window, operation)
};

Builder builderFor(std::uint32_t id)
{
    for (const Entry &entry : operationTable) {
        if (entry.id == id)
            return entry.build;
    }
    return nullptr;
}

} // namespace

OperationFactory::OperationFactory(MainWindowPresenter *p)
    : presenter(p)
{
}

std::shared_ptr<Core::Operations::Operation> OperationFactory::createOperation(std::uint32_t id)
{
    const Builder build = builderFor(id);
    if (!build)
        return {};
    return build(presenter->getWorkspace(), presenter->getMainWindow());
}

bool OperationFactory::isBuilt(std::uint32_t id)
{
    return builderFor(id) != nullptr;
}

QList<std::uint32_t> OperationFactory::builtIds()
{
    QList<std::uint32_t> ids;
    for (const Entry &entry : operationTable) {
        if (entry.build)
            ids << entry.id;
    }
    return ids;
}

} // namespace Ui
