#include "Core/Operations/ModelExtraction/RunModelExtraction.h"
#include "Core/Operations/Lifecycle/IOperationFactory.h"
#include "Core/Operations/ModelExtraction/ExtractionTestSupport.h"
#include "Core/ProcessTable.h"
#include "UI/GuiTestSupport.h"
#include "UI/Observers/RunModelExtractionObserver.h"
#include "UI/Operations/ModelExtraction/ExtractModelDialog.h"

#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using GuiTestSupport::child;

namespace {

// Builds the extraction as the program's factory does, with no main window.
class ExtractionFactory : public Core::Operations::IOperationFactory
{
public:
    explicit ExtractionFactory(Core::Workspace *ws) : workspace(ws) {}
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t) override
    {
        return Ui::Observers::RunModelExtractionObserver::createOperation(workspace, nullptr);
    }

private:
    Core::Workspace *workspace;
};

Ui::Operations::ExtractModelDialog *openDialog()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<Ui::Operations::ExtractModelDialog *>(widget))
            if (dialog->isVisible())
                return dialog;
    return nullptr;
}

QVector<bool> buttonStates(const QWidget *dialog)
{
    return {child<QPushButton>(dialog, "btnRunStep1")->isEnabled(), child<QPushButton>(dialog, "btnRunStep2")->isEnabled(),
            child<QPushButton>(dialog, "btnRunStep3")->isEnabled()};
}

} // namespace

// The dialog drives the three steps and ends the extraction when it closes.
class TestExtractModelDialog : public QObject
{
    Q_OBJECT

private slots:
    void stepsInOrder_data();
    void stepsInOrder();
};

void TestExtractModelDialog::stepsInOrder_data()
{
    QTest::addColumn<bool>("beam");
    QTest::addColumn<bool>("closeByCancel");
    QTest::newRow("beam, saved, dialog closed") << true << false;
    QTest::newRow("silicon only, operation cancelled") << false << true;
}

void TestExtractModelDialog::stepsInOrder()
{
    QFETCH(bool, beam);
    QFETCH(bool, closeByCancel);
    Core::Workspace workspace;
    workspace.setOperationFactory(std::make_shared<ExtractionFactory>(&workspace));
    const auto volume = beam ? ExtractionTest::anchoredBeam(2, 6, 2, 1)
                             : ExtractionTest::volumeFrom(4, 4, 4, [](auto, auto, auto) { return 1u; });
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::ModelExtraction));
    auto *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Extract Model"));
    QCOMPARE(buttonStates(dialog), (QVector<bool>{true, false, false}));

    QTest::mouseClick(child<QPushButton>(dialog, "btnRunStep1"), Qt::LeftButton);
    QCOMPARE(buttonStates(dialog), (QVector<bool>{false, true, false}));
    QVERIFY(volume->getPainter().isHidden());
    QTest::mouseClick(child<QPushButton>(dialog, "btnRunStep2"), Qt::LeftButton);
    QCOMPARE(buttonStates(dialog), (QVector<bool>{false, false, true}));
    QCOMPARE(workspace.getDocument().getAllObjects().size(), beam ? 3 : 2);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("beam.cir"));
    QString boxText;
    if (beam) {
        // The Extract Model dialog is modal already: the watch waits for the chooser.
        GuiTestSupport::whenModal<QFileDialog>(QStringLiteral("Save netlist"), [path](QFileDialog *files) {
            GuiTestSupport::typeFileName(files, path);
        });
    } else {
        GuiTestSupport::answerBox(&boxText, QMessageBox::Ok, QStringLiteral("No model data"));
    }
    QTest::mouseClick(child<QPushButton>(dialog, "btnRunStep3"), Qt::LeftButton);
    QCOMPARE(QFileInfo::exists(path), beam);
    // Silicon is the substrate: the box says so rather than just "nothing".
    QCOMPARE(boxText, beam ? QString()
                           : QStringLiteral("No model data was extracted. Material 1 (silicon) is taken as the "
                                            "substrate and never forms a beam."));
    if (beam)
        QCOMPARE(Ui::Operations::ExtractModelDialog::lastNetlistPath(), path);

    QPointer<Ui::Operations::ExtractModelDialog> watched(dialog);
    if (closeByCancel)
        workspace.cancelCurrent();
    else
        dialog->close();
    QTRY_VERIFY(!watched);
    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(workspace.getDocument().getAllObjects().size(), 1);
    QVERIFY(!volume->getPainter().isHidden());
    QCOMPARE(workspace.getConsoleInput().getMessage(), closeByCancel ? QStringLiteral("Extract Model: Operation canceled.")
                                                                    : QStringLiteral("Model Extraction: Model extracted."));
}

QTEST_MAIN(TestExtractModelDialog)
#include "tst_extractmodeldialog.moc"
