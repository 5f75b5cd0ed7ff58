#include "ManageMaterialsDialog.h"
#include "ui_ManageMaterialsDialog.h"

#include "ColorItemDelegate.h"
#include "Core/Operations/Lifecycle/BackgroundRun.h"
#include "Core/Operations/Lifecycle/ProcessProgress.h"
#include "MaterialTableViewItem.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/CatalogueFile.h"
#include "Model/Process/ProcessFactory.h"
#include "Util/Logging.h"

#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMap>
#include <QMessageBox>

#include <algorithm>

namespace Ui {

namespace {

using Model::Automaton::TotalVolume;
using Model::Materials::Material;

QList<std::shared_ptr<TotalVolume>> volumesOf(const QList<std::shared_ptr<Model::Object>> &scene)
{
    QList<std::shared_ptr<TotalVolume>> volumes;
    for (const auto &object : scene)
        if (auto volume = std::dynamic_pointer_cast<TotalVolume>(object))
            volumes.append(volume);
    return volumes;
}

// Whether the drawing of the cells changes: a colour differs, or a material
// comes or goes.
bool coloursChanged(const QVector<Material> &before, const QVector<Material> &after)
{
    QMap<std::uint32_t, Util::Vector4D> old;
    for (const Material &material : before)
        old.insert(material.getId(), material.getColor());
    if (before.size() != after.size())
        return true;
    for (const Material &material : after) {
        const auto it = old.constFind(material.getId());
        if (it == old.constEnd() || it.value() != material.getColor())
            return true;
    }
    return false;
}

} // namespace

ManageMaterialsDialog::ManageMaterialsDialog(const QList<std::shared_ptr<Model::Object>> &scene, QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<ManageMaterialsBaseDialog>())
    , model(new MaterialTableViewItem(this))
    , colorDelegate(new ColorItemDelegate(this))
{
    form->setupUi(this);
    form->tblMaterials->setModel(model);
    form->tblMaterials->setItemDelegateForColumn(MaterialTableViewItem::ColorColumn, colorDelegate);
    form->tblMaterials->horizontalHeader()->setSectionResizeMode(MaterialTableViewItem::NameColumn,
                                                                  QHeaderView::Stretch);
    form->lblNotice->hide();

    for (const auto &volume : volumesOf(scene))
        Model::Automaton::MaterialUsage::add(usage, Model::Automaton::MaterialUsage::count(*volume));
    QSet<std::uint32_t> reserved;
    for (const auto &entry : usage)
        reserved.insert(entry.first);
    for (const Model::Process::Process &process : Model::Process::ProcessFactory::getInstance()->getProcesses())
        for (std::uint32_t id : process.getCompatibleMaterialIds())
            reserved.insert(id);
    model->setReservedIds(reserved);

    connect(model, &MaterialTableViewItem::entryRefused, this, &ManageMaterialsDialog::showNotice);
    connect(form->btnAddMaterial, &QPushButton::clicked, this, &ManageMaterialsDialog::addMaterial);
    connect(form->btnDeleteMaterial, &QPushButton::clicked, this, &ManageMaterialsDialog::deleteSelected);
    connect(form->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(form->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ManageMaterialsDialog::~ManageMaterialsDialog() = default;

void ManageMaterialsDialog::showNotice(const QString &text)
{
    form->lblNotice->setText(text);
    form->lblNotice->setVisible(!text.isEmpty());
}

void ManageMaterialsDialog::addMaterial()
{
    const int row = model->rowCount();
    model->insertRows(row, 1);
    form->tblMaterials->scrollToBottom();
    form->tblMaterials->selectRow(row);
}

bool ManageMaterialsDialog::confirmDeletion(int row)
{
    const Material material = model->getMaterials().value(row);
    if (MaterialTableViewItem::isProcessMaterial(material.getId())) {
        showNotice(tr("\"%1\" is created by the processes and cannot be deleted.").arg(material.getName()));
        return false;
    }
    const auto used = usage.find(material.getId());
    if (used == usage.end())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Delete Material"),
        tr("%1 cells of the open documents are made of \"%2\". Delete the material anyway? The cells keep "
           "material id %3 and are drawn in the colour of unknown materials until a material with that id "
           "is defined again.")
            .arg(used->second)
            .arg(material.getName())
            .arg(material.getId()),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void ManageMaterialsDialog::deleteSelected()
{
    QList<int> rows;
    for (const QModelIndex &index : form->tblMaterials->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty() && form->tblMaterials->currentIndex().isValid())
        rows.append(form->tblMaterials->currentIndex().row());
    // From the bottom up, so the rows still to go keep their numbers.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) {
        if (confirmDeletion(row))
            model->removeRows(row, 1);
    }
}

bool ManageMaterialsDialog::editCatalogue(QWidget *parent, const QList<std::shared_ptr<Model::Object>> &scene,
                                          Core::Operations::IProcessMonitor *monitor)
{
    ManageMaterialsDialog dialog(scene, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    const auto catalogue = Model::Materials::MaterialFactory::getInstance();
    const QVector<Material> before = catalogue->getMaterials();
    for (std::uint32_t id : dialog.getModel()->getRemovedIds())
        catalogue->removeMaterial(id);
    for (const Material &material : dialog.getModel()->getMaterials())
        catalogue->addMaterial(material);
    if (!catalogue->saveMaterials()) {
        // The edit stays in effect for this run; the file keeps its old contents.
        QMessageBox::warning(parent, tr("Manage Materials"),
                             Model::Persistence::CatalogueFile::unsavedChanges(
                                 QStringLiteral("material catalogue"), QStringLiteral("materials.xml"), catalogue->loadProblem()));
    }
    if (coloursChanged(before, catalogue->getMaterials())) {
        // A full rebuild, not a recolouring: a face whose material became
        // transparent (or opaque) has to change lists.
        Core::Operations::ProcessProgress progress;
        Core::Operations::BackgroundRun::run(tr("Manage Materials"), [&scene, &progress] {
            for (const auto &volume : volumesOf(scene))
                volume->getPainter().rebuild(&progress);
        }, progress, monitor);
        qCDebug(lcCatalogue) << "Materials changed: the volumes were rebuilt";
    }
    return true;
}

} // namespace Ui
