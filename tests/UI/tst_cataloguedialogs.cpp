#include "GuiTestSupport.h"

#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/EditCompatibleMaterialsDialog.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using Model::Process::ProcessFactory;

class TestCatalogueDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { home.reset(); }
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
    Model::Materials::MaterialFactory::getInstance()->initialise();
    ProcessFactory::getInstance()->initialise();
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
    const QByteArray before = GuiTestSupport::readFile(processesPath());
    QVERIFY(before.contains("<CompatibleMaterials>3;16;</CompatibleMaterials>"));
    bool driven = false;
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Edit Compatible Materials"), [&](QDialog *dialog) {
        auto *combo = GuiTestSupport::child<QComboBox>(dialog, "cbxProcess");
        combo->setCurrentIndex(combo->findText(QStringLiteral("CVD")));
        auto *list = GuiTestSupport::child<QListWidget>(dialog, "lstCompatibleMaterials");
        for (QListWidgetItem *item : list->findItems(QStringLiteral("Poly-Si"), Qt::MatchExactly))
            item->setSelected(true);
        QTest::mouseClick(GuiTestSupport::child<QPushButton>(dialog, "btnRemove"), Qt::LeftButton);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel), Qt::LeftButton);
        driven = true;
    });
    const bool accepted = Ui::EditCompatibleMaterialsDialog::editCatalogue(nullptr);
    QVERIFY(driven);
    QCOMPARE(accepted, accept);
    const auto catalogue = ProcessFactory::getInstance();
    const QByteArray after = GuiTestSupport::readFile(processesPath());
    if (accept) {
        QCOMPARE(catalogue->getProcess(3).getCompatibleMaterialIds(), QVector<std::uint32_t>({3}));
        QVERIFY(after.contains("name=\"CVD\" process-id=\"3\">\n"
                               "        <CompatibleMaterials>3;</CompatibleMaterials>"));
        QByteArray expected = before;
        expected.replace("<CompatibleMaterials>3;16;</CompatibleMaterials>",
                         "<CompatibleMaterials>3;</CompatibleMaterials>");
        QCOMPARE(after, expected);
    } else {
        QCOMPARE(catalogue->getProcess(3).getCompatibleMaterialIds(), QVector<std::uint32_t>({3, 16}));
        QCOMPARE(after, before);
    }
}

QTEST_MAIN(TestCatalogueDialogs)
#include "tst_cataloguedialogs.moc"
