#include "GuiTestSupport.h"

#include "Model/Materials/MaterialFactory.h"
#include "Model/TempHome.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/Console/CommandConsole.h"
#include "UI/EditCompatibleMaterialsDialog.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Materials/ManageMaterialsDialog.h"

#include <QtTest>
#include <QtWidgets>

using Model::Process::ProcessFactory;

namespace {

// A hand-written entry whose name holds a bare "&", on line 3.
QByteArray damagedCatalogue(const QByteArray &root, const QByteArray &element)
{
    return "<?xml version=\"1.0\"?>\n<" + root + ">\n<" + element + " name=\"Cr & Au\"/>\n</" + root + ">\n";
}

} // namespace

class TestCatalogueDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { home.reset(); }
    void editCatalogue_data();
    void editCatalogue();
    void unreadableCatalogueNotOverwritten_data();
    void unreadableCatalogueNotOverwritten();
    void startUpReportsUnreadableCatalogues();

private:
    QString processesPath() const { return home->path() + QStringLiteral("/Kestrum/processes.xml"); }
    QString materialsPath() const { return home->path() + QStringLiteral("/Kestrum/materials.xml"); }
    // Puts damaged catalogue files in place and loads the catalogues again.
    void damage(bool materials, bool processes);
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
    QCOMPARE(Ui::EditCompatibleMaterialsDialog::editCatalogue(nullptr), accept);
    QVERIFY(driven);
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

void TestCatalogueDialogs::damage(bool materials, bool processes)
{
    if (materials)
        QVERIFY(TestFiles::write(materialsPath(), damagedCatalogue("Materials", "Material material-id=\"40\"")));
    if (processes)
        QVERIFY(TestFiles::write(processesPath(), damagedCatalogue("Processes", "Process process-id=\"40\"")));
    Model::Materials::MaterialFactory::getInstance()->initialise();
    ProcessFactory::getInstance()->initialise();
}

void TestCatalogueDialogs::unreadableCatalogueNotOverwritten_data()
{
    QTest::addColumn<bool>("materials");
    QTest::addColumn<QString>("title");
    QTest::newRow("material manager") << true << "Manage Materials";
    QTest::newRow("compatible materials editor") << false << "Edit Compatible Materials";
}

// A catalogue file read as damaged at start-up holds the user's entries: an
// editor's changes apply to this run, the file stays as it is, and the user
// is told why.
void TestCatalogueDialogs::unreadableCatalogueNotOverwritten()
{
    QFETCH(bool, materials);
    QFETCH(QString, title);
    damage(materials, !materials);
    const QString path = materials ? materialsPath() : processesPath();
    const QByteArray damaged = GuiTestSupport::readFile(path);

    const auto accept = [](QDialog *editor) { editor->accept(); };
    if (materials)
        GuiTestSupport::whenModal<Ui::ManageMaterialsDialog>(title, accept);
    else
        GuiTestSupport::whenModal<Ui::EditCompatibleMaterialsDialog>(title, accept);
    QString text;
    GuiTestSupport::answerBox(&text, QMessageBox::Ok, title);
    const bool accepted = materials ? Ui::ManageMaterialsDialog::editCatalogue(nullptr, {})
                                    : Ui::EditCompatibleMaterialsDialog::editCatalogue(nullptr);
    QVERIFY(accepted);
    QVERIFY2(text.startsWith(QStringLiteral("The %1 catalogue %2 cannot be read (line 3")
                                 .arg(materials ? "material" : "process", QDir::toNativeSeparators(path))),
             qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("The changes are not saved over it; they apply until Kestrum ends.")));
    QCOMPARE(GuiTestSupport::readFile(path), damaged);
}

// The window tells of both damaged files in one message box and its console.
void TestCatalogueDialogs::startUpReportsUnreadableCatalogues()
{
    damage(true, true);
    Ui::MainWindow window;
    QString text;
    GuiTestSupport::answerBox(&text, QMessageBox::Ok, Ui::MainWindow::catalogueProblemTitle());
    window.reportCatalogueProblems();
    const QStringList problems = text.split(QStringLiteral("\n\n"));
    QCOMPARE(problems.size(), 2);
    const QString console = window.getPresenter()->getConsole()->outputText();
    const QStringList paths{materialsPath(), processesPath()};
    for (int i = 0; i < 2; ++i) {
        const QString head = QStringLiteral("The %1 catalogue %2 cannot be read (line 3")
                                 .arg(i == 0 ? "material" : "process", QDir::toNativeSeparators(paths[i]));
        QVERIFY2(problems[i].startsWith(head), qPrintable(text));
        QVERIFY2(console.contains(problems[i]), qPrintable(console));
    }
}

QTEST_MAIN(TestCatalogueDialogs)
#include "tst_cataloguedialogs.moc"
