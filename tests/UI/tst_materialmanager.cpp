#include "GuiTestSupport.h"

#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/Materials/ColorItemDelegate.h"
#include "UI/Materials/ManageMaterialsDialog.h"
#include "UI/Materials/MaterialTableViewItem.h"

#include <QtTest>
#include <QtWidgets>

using Model::Materials::MaterialFactory;
using Ui::MaterialTableViewItem;

class TestMaterialManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { home.reset(); }
    void refusedEntries_data();
    void refusedEntries();
    void numbersShowAsEntered_data();
    void numbersShowAsEntered();
    void newIdsNeverCollide();
    void okWritesACatalogueThatReadsBack();
    void deletingAUsedMaterialAsks_data();
    void deletingAUsedMaterialAsks();

private:
    std::unique_ptr<QTemporaryDir> home;
};

void TestMaterialManager::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", QFile::encodeName(home->path()));
    MaterialFactory::getInstance()->initialise();
    Model::Process::ProcessFactory::getInstance()->initialise();
}

void TestMaterialManager::refusedEntries_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");
    // Row 0 is "Si" (id 1), row 2 "Al (bulk)" (id 4).
    QTest::newRow("empty name") << 2 << 1 << QStringLiteral("  ") << false;
    QTest::newRow("process material keeps its name") << 0 << 1 << QStringLiteral("Silicon") << false;
    QTest::newRow("other material renamed") << 2 << 1 << QStringLiteral("Aluminium") << true;
    QTest::newRow("not a number") << 2 << 2 << QStringLiteral("heavy") << false;
    QTest::newRow("number") << 2 << 2 << QStringLiteral("2.5e3") << true;
}

void TestMaterialManager::refusedEntries()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, stored);
    MaterialTableViewItem model;
    const QModelIndex index = model.index(row, column);
    const QVariant before = model.data(index, Qt::EditRole);
    // The editor opens on the value, not on an empty field.
    QVERIFY(!before.toString().isEmpty());
    QCOMPARE(before.toString(), model.data(index, Qt::DisplayRole).toString());
    QSignalSpy refused(&model, &MaterialTableViewItem::entryRefused);
    QCOMPARE(model.setData(index, text, Qt::EditRole), stored);
    QCOMPARE(refused.count(), stored ? 0 : 1);
    if (stored)
        QCOMPARE(model.data(index, Qt::EditRole).toString(), column == 2 ? QStringLiteral("2500") : text);
    else
        QCOMPARE(model.data(index, Qt::EditRole), before);
    QCOMPARE(bool(model.flags(model.index(0, 1)) & Qt::ItemIsEditable), false);
}

void TestMaterialManager::numbersShowAsEntered_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    // Row 0 is "Si": 2329, 1.88e11 and 0.28 in the catalogue.
    QTest::newRow("density") << int(MaterialTableViewItem::DensityColumn) << "2329";
    QTest::newRow("Young's modulus") << int(MaterialTableViewItem::YoungModulusColumn) << "1.88e+11";
    QTest::newRow("Poisson's ratio") << int(MaterialTableViewItem::PoissonRatioColumn) << "0.28";
}

// The text the manager's table draws for Si, and the text its editor opens on.
void TestMaterialManager::numbersShowAsEntered()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    Ui::ManageMaterialsDialog dialog({});
    QVERIFY(GuiTestSupport::activate(&dialog));
    auto *table = GuiTestSupport::child<QTableView>(&dialog, "tblMaterials");
    const QModelIndex index = table->model()->index(0, column);
    auto *delegate = qobject_cast<QStyledItemDelegate *>(table->itemDelegate(index));
    QVERIFY(delegate);
    QCOMPARE(delegate->displayText(index.data(Qt::DisplayRole), table->locale()), text);
    table->setCurrentIndex(index);
    table->edit(index);
    auto *editor = table->viewport()->findChild<QLineEdit *>();
    QCOMPARE(editor ? editor->text() : QStringLiteral("no editor"), text);
}

void TestMaterialManager::newIdsNeverCollide()
{
    MaterialTableViewItem model;
    QCOMPARE(model.nextFreeId(), 18u);
    model.setReservedIds({18, 20});
    QVERIFY(model.insertRows(model.rowCount(), 2));
    const auto materials = model.getMaterials();
    QCOMPARE(materials[materials.size() - 2].getId(), 19u);
    QCOMPARE(materials.last().getId(), 21u);
    QCOMPARE(materials.last().getName(), QStringLiteral("New Material"));
}

void TestMaterialManager::okWritesACatalogueThatReadsBack()
{
    auto volume = TestSupport::makeVolume(4, 4, 4, 1);
    volume->getPainter().rebuild();
    QCOMPARE(volume->getPainter().getTransparentFaceCount(), std::size_t(0));
    GuiTestSupport::whenModal<Ui::ManageMaterialsDialog>(QStringLiteral("Manage Materials"), [&](Ui::ManageMaterialsDialog *dialog) {
        QTest::mouseClick(GuiTestSupport::child<QPushButton>(dialog, "btnAddMaterial"), Qt::LeftButton);
        MaterialTableViewItem *model = dialog->getModel();
        const int added = model->rowCount() - 1;
        QVERIFY(model->setData(model->index(added, 1), QStringLiteral("Glass"), Qt::EditRole));
        // Si becomes half transparent through the colour chooser.
        Ui::ColorItemDelegate delegate;
        QWidget *editor = delegate.createEditor(dialog, QStyleOptionViewItem(), model->index(0, 5));
        auto *chooser = qobject_cast<QColorDialog *>(editor);
        QVERIFY(chooser);
        delegate.setEditorData(editor, model->index(0, 5));
        QCOMPARE(chooser->currentColor(), QColor(127, 127, 127, 255));
        chooser->setCurrentColor(QColor(127, 127, 127, 128));
        delegate.setModelData(editor, model, model->index(0, 5));
        chooser->reject();
        delete editor;
        dialog->accept();
    });
    QVERIFY(Ui::ManageMaterialsDialog::editCatalogue(nullptr, {volume}));
    // Every face of the now transparent silicon moved to the transparent list.
    QCOMPARE(volume->getPainter().getOpaqueFaceCount(), std::size_t(0));
    QVERIFY(volume->getPainter().getTransparentFaceCount() > 0);

    // A document saved now keeps its silicon as silicon after a restart: the
    // catalogue read from the file knows the new colour, so loading does not
    // take it for a clashing material and renumber the cells.
    Model::Document saved;
    saved.addObject(volume);
    Model::Persistence::ArchiverRegistry registry;
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    QVERIFY(Model::Persistence::DocumentWriter(registry).write(saved, document).ok);
    const QByteArray file = GuiTestSupport::readFile(home->path() + QStringLiteral("/Kestrum/materials.xml"));
    QVERIFY(file.contains("name=\"Glass\" material-id=\"18\""));
    const auto catalogue = MaterialFactory::getInstance();
    catalogue->initialise();
    QCOMPARE(catalogue->getMaterial(18).getName(), QStringLiteral("Glass"));
    QVERIFY(qAbs(catalogue->getMaterial(1).getColor().w - 128 / 255.0) < 1e-3);
    Model::Document loaded;
    document.close();
    document.open(QIODevice::ReadOnly);
    const auto read = Model::Persistence::DocumentReader(registry).read(loaded, document);
    QVERIFY(read.ok);
    QVERIFY2(read.warnings.isEmpty(), qPrintable(read.warnings.join(QLatin1Char('\n'))));
    const auto reopened = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(loaded.getAllObjects().value(0));
    QVERIFY(reopened);
    QVERIFY(reopened->materialIds() == volume->materialIds());
}

void TestMaterialManager::deletingAUsedMaterialAsks_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("No keeps it") << false;
    QTest::newRow("Yes deletes it") << true;
}

void TestMaterialManager::deletingAUsedMaterialAsks()
{
    QFETCH(bool, confirm);
    // Row 2 is "Al (bulk)", id 4, which the volume's cells hold.
    auto volume = TestSupport::makeVolume(2, 2, 2, 4);
    QString question;
    GuiTestSupport::whenModal<Ui::ManageMaterialsDialog>(QStringLiteral("Manage Materials"), [&](QDialog *modal) {
        auto *table = GuiTestSupport::child<QTableView>(modal, "tblMaterials");
        table->selectRow(2);
        GuiTestSupport::answerBox(&question, confirm ? QMessageBox::Yes : QMessageBox::No, QStringLiteral("Delete Material"));
        QTest::mouseClick(GuiTestSupport::child<QPushButton>(modal, "btnDeleteMaterial"), Qt::LeftButton);
        static_cast<QDialog *>(modal)->accept();
    });
    QVERIFY(Ui::ManageMaterialsDialog::editCatalogue(nullptr, {volume}));
    QVERIFY(question.startsWith(QStringLiteral("8 cells of the open documents are made of \"Al (bulk)\".")));
    QCOMPARE(MaterialFactory::getInstance()->getMaterial(4).getId(), confirm ? 0u : 4u);
    // The cells keep their id and are still drawn.
    QCOMPARE(volume->materialIds().front(), 4u);
    volume->getPainter().rebuild();
    QVERIFY(volume->getPainter().getOpaqueFaceCount() > 0);
}

QTEST_MAIN(TestMaterialManager)
#include "tst_materialmanager.moc"
