#include "EditCompatibleMaterialsDialog.h"
#include "ui_EditCompatibleMaterialsDialog.h"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/CatalogueFile.h"
#include "Model/Process/ProcessFactory.h"

#include <QDir>
#include <QListWidgetItem>
#include <QMessageBox>

namespace Ui {

namespace {

QListWidgetItem *materialItem(const Model::Materials::Material &material)
{
    auto *item = new QListWidgetItem(material.getName());
    item->setData(Qt::UserRole, uint(material.getId()));
    return item;
}

} // namespace

EditCompatibleMaterialsDialog::EditCompatibleMaterialsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<EditCompatibleMaterialsBaseDialog>())
    , processes(Model::Process::ProcessFactory::getInstance()->getProcesses())
{
    form->setupUi(this);

    for (const Model::Process::Process &process : processes)
        form->cbxProcess->addItem(process.getName(), uint(process.getId()));

    connect(form->cbxProcess, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &EditCompatibleMaterialsDialog::selectProcess);
    connect(form->btnAdd, &QPushButton::clicked, this,
            &EditCompatibleMaterialsDialog::addSelected);
    connect(form->btnRemove, &QPushButton::clicked, this,
            &EditCompatibleMaterialsDialog::removeSelected);
    connect(form->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(form->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    selectProcess(form->cbxProcess->currentIndex());
}

EditCompatibleMaterialsDialog::~EditCompatibleMaterialsDialog() = default;

Model::Process::Process *EditCompatibleMaterialsDialog::workingProcess()
{
    if (current < 0 || current >= processes.size() || processes[current].getId() == 0)
        return nullptr;
    return &processes[current];
}

void EditCompatibleMaterialsDialog::selectProcess(int comboIndex)
{
    current = -1;
    const uint id = form->cbxProcess->itemData(comboIndex).toUInt();
    for (int i = 0; i < processes.size(); ++i) {
        if (processes[i].getId() == id) {
            current = i;
            break;
        }
    }
    refillLists();
}

void EditCompatibleMaterialsDialog::addSelected()
{
    Model::Process::Process *process = workingProcess();
    if (!process)
        return;
    // Selected items come in the order they were clicked; keep the list order.
    for (int row = 0; row < form->lstAvailableMaterials->count(); ++row) {
        const QListWidgetItem *item = form->lstAvailableMaterials->item(row);
        if (item->isSelected())
            process->addCompatibleMaterial(item->data(Qt::UserRole).toUInt());
    }
    refillLists();
}

void EditCompatibleMaterialsDialog::removeSelected()
{
    Model::Process::Process *process = workingProcess();
    if (!process)
        return;
    for (const QListWidgetItem *item : form->lstCompatibleMaterials->selectedItems())
        process->removeCompatibleMaterial(item->data(Qt::UserRole).toUInt());
    refillLists();
}

void EditCompatibleMaterialsDialog::refillLists()
{
    form->lstCompatibleMaterials->clear();
    form->lstAvailableMaterials->clear();
    const Model::Process::Process *process = workingProcess();
    if (!process)
        return;

    const QVector<std::uint32_t> listed = process->getCompatibleMaterialIds();
    for (const Model::Materials::Material &material : process->getCompatibleMaterials())
        form->lstCompatibleMaterials->addItem(materialItem(material));
    for (const Model::Materials::Material &material :
         Model::Materials::MaterialFactory::getInstance()->getMaterials()) {
        if (!listed.contains(material.getId()))
            form->lstAvailableMaterials->addItem(materialItem(material));
    }
}

bool EditCompatibleMaterialsDialog::editCatalogue(QWidget *parent)
{
    EditCompatibleMaterialsDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const auto catalogue = Model::Process::ProcessFactory::getInstance();
    for (const Model::Process::Process &process : dialog.getProcesses())
        catalogue->addProcess(process);
    if (!catalogue->saveProcesses()) {
        // The edit stays in effect for this run; the file keeps its old contents.
        QMessageBox::warning(parent, tr("Edit Compatible Materials"),
                             Model::Persistence::CatalogueFile::unsavedChanges(
                                 QStringLiteral("process catalogue"), QStringLiteral("processes.xml"), catalogue->loadProblem()));
    }
    return true;
}

} // namespace Ui
