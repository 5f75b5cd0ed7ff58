#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/EditCompatibleMaterialsDialog.h"
#include "UI/MaterialChoice.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Process::ProcessFactory;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList texts(const QListWidget *list)
{
    QStringList result;
    for (int row = 0; row < list->count(); ++row)
        result << list->item(row)->text();
    return result;
}

void selectTexts(QListWidget *list, const QStringList &wanted)
{
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setSelected(wanted.contains(list->item(row)->text()));
}

QString idList(const QVector<std::uint32_t> &ids)
{
    QStringList parts;
    for (std::uint32_t id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

} // namespace

class TestCatalogueDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { home.reset(); }

    void materialChoiceEntries();
    void moveMaterials_data();
    void moveMaterials();
    void editCatalogue_data();
    void editCatalogue();

private:
    QString processesPath() const { return home->path() + QStringLiteral("/Kestrum/processes.xml"); }

    std::unique_ptr<QTemporaryDir> home;
};

void TestCatalogueDialogs::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", QFile::encodeName(home->path()));
    MaterialFactory::getInstance()->initialise();
    ProcessFactory::getInstance()->initialise();
}

void TestCatalogueDialogs::materialChoiceEntries()
{
    QComboBox combo;
    combo.addItem(QStringLiteral("left over"));
    const QVector<Material> materials = MaterialFactory::getInstance()->getMaterials();
    Ui::MaterialChoice::fill(&combo, materials);

    QCOMPARE(combo.count(), materials.size());
    for (int i = 0; i < combo.count(); ++i) {
        const Material &material = materials[i];
        QCOMPARE(combo.itemText(i), material.getName());
        QCOMPARE(combo.itemData(i).userType(), int(QMetaType::UInt));
        QCOMPARE(combo.itemData(i).toUInt(), material.getId());
        QVERIFY(combo.itemIcon(i).availableSizes().contains(QSize(100, 100)));
        const QImage swatch = combo.itemIcon(i).pixmap(QSize(100, 100)).toImage();
        QCOMPARE(swatch.size(), QSize(100, 100));
        const Util::Vector4D c = material.getColor();
        const QColor expected(int(c[0] * 255), int(c[1] * 255), int(c[2] * 255), int(c[3] * 255));
        QCOMPARE(swatch.pixelColor(0, 0), expected);
        QCOMPARE(swatch.pixelColor(99, 99), expected);
    }
    QCOMPARE(combo.itemIcon(0).pixmap(QSize(100, 100)).toImage().pixelColor(50, 50), QColor(127, 127, 127));
}

void TestCatalogueDialogs::moveMaterials_data()
{
    QTest::addColumn<QString>("process");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("expectedIds");
    QTest::addColumn<QStringList>("expectedAvailableHead");

    QTest::newRow("<< removes one") << "CVD" << "btnRemove" << QStringList{"Poly-Si"} << "3" << QStringList{"Si", "Al (bulk)"};
    QTest::newRow(">> appends in list order") << "CVD" << "btnAdd" << QStringList{"Cu (bulk)", "Si"} << "3,16,1,5"
                                              << QStringList{"Al (bulk)", "Cr (bulk)"};
    QTest::newRow(">> on an empty list") << "Planarization" << "btnAdd" << QStringList{"PDMS"} << "13" << QStringList{"Si"};
}

void TestCatalogueDialogs::moveMaterials()
{
    QFETCH(QString, process);
    QFETCH(QString, button);
    QFETCH(QStringList, selected);
    QFETCH(QString, expectedIds);
    QFETCH(QStringList, expectedAvailableHead);

    Ui::EditCompatibleMaterialsDialog dialog;
    auto *combo = dialog.findChild<QComboBox *>(QStringLiteral("cbxProcess"));
    auto *compatible = dialog.findChild<QListWidget *>(QStringLiteral("lstCompatibleMaterials"));
    auto *available = dialog.findChild<QListWidget *>(QStringLiteral("lstAvailableMaterials"));
    combo->setCurrentIndex(combo->findText(process));
    const std::uint32_t processId = combo->currentData().toUInt();

    selectTexts(button == QLatin1String("btnAdd") ? available : compatible, selected);
    QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);

    Model::Process::Process edited;
    for (const Model::Process::Process &p : dialog.getProcesses()) {
        if (p.getId() == processId)
            edited = p;
    }
    QCOMPARE(idList(edited.getCompatibleMaterialIds()), expectedIds);
    QStringList expectedCompatible;
    for (const Material &material : edited.getCompatibleMaterials())
        expectedCompatible << material.getName();
    QCOMPARE(texts(compatible), expectedCompatible);
    QCOMPARE(texts(available).mid(0, expectedAvailableHead.size()), expectedAvailableHead);
    QCOMPARE(compatible->count() + available->count(), 15);
    QVERIFY(compatible->selectedItems().isEmpty());
    QVERIFY(available->selectedItems().isEmpty());

    // The working copy is not the catalogue.
    QCOMPARE(ProcessFactory::getInstance()->getProcess(processId).getName(), process);
    if (!selected.isEmpty())
        QVERIFY(idList(ProcessFactory::getInstance()->getProcess(processId).getCompatibleMaterialIds()) != expectedIds);

    // Switching away and back keeps the edit.
    combo->setCurrentIndex(combo->currentIndex() == 0 ? 1 : 0);
    combo->setCurrentIndex(combo->findText(process));
    QCOMPARE(texts(compatible), expectedCompatible);
}

void TestCatalogueDialogs::editCatalogue_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK writes the shortened list") << true;
    QTest::newRow("Cancel leaves everything") << false;
}

void TestCatalogueDialogs::editCatalogue()
{
    QFETCH(bool, accept);
    const QByteArray before = readFile(processesPath());
    QVERIFY(before.contains("<CompatibleMaterials>3;16;</CompatibleMaterials>"));

    bool driven = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("cbxProcess"));
        combo->setCurrentIndex(combo->findText(QStringLiteral("CVD")));
        selectTexts(dialog->findChild<QListWidget *>(QStringLiteral("lstCompatibleMaterials")), {"Poly-Si"});
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnRemove")), Qt::LeftButton);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel), Qt::LeftButton);
        driven = true;
    });
    const bool accepted = Ui::EditCompatibleMaterialsDialog::editCatalogue(nullptr);
    QVERIFY(driven);
    QCOMPARE(accepted, accept);

    const auto catalogue = ProcessFactory::getInstance();
    const QByteArray after = readFile(processesPath());
    if (accept) {
        QCOMPARE(idList(catalogue->getProcess(3).getCompatibleMaterialIds()), QStringLiteral("3"));
        QVERIFY(after.contains("name=\"CVD\" process-id=\"3\">\n"
                               "        <CompatibleMaterials>3;</CompatibleMaterials>"));
        QByteArray expected = before;
        expected.replace("<CompatibleMaterials>3;16;</CompatibleMaterials>",
                         "<CompatibleMaterials>3;</CompatibleMaterials>");
        QCOMPARE(after, expected);
    } else {
        QCOMPARE(idList(catalogue->getProcess(3).getCompatibleMaterialIds()), QStringLiteral("3,16"));
        QCOMPARE(after, before);
    }
}

QTEST_MAIN(TestCatalogueDialogs)
#include "tst_cataloguedialogs.moc"
