#include "UI/GuiTestSupport.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "UI/Console/CommandConsole.h"
#include "UI/MainWindowPresenter.h"
#include "Util/ColorSettings.h"

#include <QDoubleSpinBox>
#include <QtTest>

// The wet etch from the menu: pick the volume in the view, Return, the
// options dialog, the etched cells, and undo.
class TestSiWetEtchWindow : public QObject
{
    Q_OBJECT

private slots:
    void etchFromTheMenuAndUndo_data();
    void etchFromTheMenuAndUndo();
};

void TestSiWetEtchWindow::etchFromTheMenuAndUndo_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("operationName");
    QTest::addColumn<double>("depth");
    QTest::addColumn<QString>("reached"); // how deep, at the end of the finish line
    QTest::newRow("bond counting") << "actionBCA_Wet_Etching" << "BCA Wet Etch" << 2.0
                                   << QString::fromUtf8("depth 2 \xc2\xb5m");
    QTest::newRow("continuous") << "actionContinuous_Wet_Etching" << "Continuous Wet Etch" << 6.0
                                << QString::fromUtf8("depth 6 \xc2\xb5m");
    // The 10-cell side of the opening closes 5 * sqrt(2) = 7.1 cells down, six whole cells.
    QTest::newRow("bond counting, the pit closes") << "actionBCA_Wet_Etching" << "BCA Wet Etch" << 11.0
        << QString::fromUtf8("depth 6 \xc2\xb5m of the 11 \xc2\xb5m asked: the pits closed on their {111} walls");
}

void TestSiWetEtchWindow::etchFromTheMenuAndUndo()
{
    QFETCH(QString, actionName);
    QFETCH(QString, operationName);
    QFETCH(double, depth);
    QFETCH(QString, reached);
    Util::ColorSettings::reset();
    Ui::MainWindow window;
    window.resize(1000, 750);
    QVERIFY(GuiTestSupport::activate(&window));
    Core::Workspace *workspace = window.getPresenter()->getWorkspace();
    auto action = [&window](const QString &name) { return GuiTestSupport::action(&window, name); };

    // Silicon below z = 12 under an oxide mask with a 12 x 10 opening.
    const std::uint32_t nx = 40, ny = 30, nz = 20;
    auto volume = TestSupport::volumeFrom(nx, ny, nz, [](auto x, auto y, auto z) {
        const bool open = x >= 14 && x < 26 && y >= 10 && y < 20;
        return z < 12 ? 1u : z == 12 && !open ? 3u : 0u;
    });
    const auto ids = volume->materialIds();
    workspace->getDocument().addObject(volume);

    action(actionName)->trigger();
    QVERIFY(workspace->getSelection().isSelectionMode());
    QString suffix;
    GuiTestSupport::answerDialog(QStringLiteral("Wet Etching Options"), [&](QDialog *modal) {
        auto *box = GuiTestSupport::child<QDoubleSpinBox>(modal, "dbxEtchDepth");
        suffix = box->suffix();
        box->setValue(depth);
    }, true);
    GuiTestSupport::pickAndReturn(window, *volume, Util::Vector3D(nx / 2.0, ny / 2.0, 13.0));

    const auto etched = volume->materialIds();
    std::size_t emptied = 0;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        QVERIFY(etched[i] == ids[i] || (ids[i] == 1 && etched[i] == 0)); // only silicon goes
        emptied += etched[i] != ids[i];
    }
    QVERIFY(emptied > 0);
    QCOMPARE(suffix, QString::fromUtf8(" \xc2\xb5m"));
    // The finish line counts the emptied cells and says how deep the etch went.
    const QString cells = Core::Operations::ProcessEffect::number(emptied);
    const QString expected = QStringLiteral("%1: Operation finished: %2 cells changed (Si -%2), %3.")
                                 .arg(operationName, cells, reached);
    QCOMPARE(GuiTestSupport::lines(window.getPresenter()->getConsole()->outputText()).last(), expected);
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo ") + operationName);

    action("actionUndo")->trigger();
    QCOMPARE(volume->materialIds(), ids);
    QVERIFY(workspace->isSiLatticeOutdated(volume->getObjectId()));
    action("actionRedo")->trigger();
    QCOMPARE(volume->materialIds(), etched);
}

QTEST_MAIN(TestSiWetEtchWindow)
#include "tst_siwetetchwindow.moc"
