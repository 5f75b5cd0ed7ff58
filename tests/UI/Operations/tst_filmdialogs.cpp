#include "../GuiTestSupport.h"

#include "Core/Operations/Film/AnisotropicFilmDeposition.h"
#include "Core/Operations/Film/Electrodeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Core/Operations/Film/Planarization.h"
#include "Core/Operations/Film/SpinCoating.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"

#include <QtTest>
#include <QtWidgets>

using GuiTestSupport::child;
using Model::Automaton::TotalVolume;
using namespace Core::Operations;

namespace {

constexpr std::uint32_t n = 8;

// Silicon floor z < 3, an aluminium pad (4) on it, empty above.
std::vector<std::uint32_t> padOnFloor()
{
    std::vector<std::uint32_t> ids(n * n * n);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::size_t z = i % n, y = i / n % n, x = i / (n * n);
        ids[i] = z < 3 ? 1u : z == 3 && x > 1 && x < 5 && y > 1 && y < 5 ? 4u : 0u;
    }
    return ids;
}

std::uint32_t pick(QWidget *dialog, const char *combo, std::uint32_t id)
{
    auto *list = child<QComboBox>(dialog, combo);
    const int index = list->findData(uint(id));
    list->setCurrentIndex(index);
    return index >= 0 ? id : 0;
}

// Fills the dialog; returns the process its values stand for.
using Fill = std::function<std::function<void(TotalVolume &)>(QWidget *)>;

} // namespace

Q_DECLARE_METATYPE(Fill)

// Each film process from its menu action: its dialog's values reach the
// process, and Undo and Redo of the Edit menu restore the cells.
class TestFilmDialogs : public QObject
{
    Q_OBJECT

private slots:
    void menuRunUndoRedo_data();
    void menuRunUndoRedo();
    void planarizationLimits();
    void mooreCancelEndsTheOperation();
};

void TestFilmDialogs::menuRunUndoRedo_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("undoText");
    QTest::addColumn<Fill>("fill");
    QTest::newRow("electroplating") << "actionElectrodeposition" << "Undo Electroplating" << Fill([](QWidget *d) {
        child<QDoubleSpinBox>(d, "dblThickness")->setValue(2.0);
        const std::uint32_t film = pick(d, "cbxMaterial", 5), conducting = pick(d, "cbxConductingMaterial", 4);
        return [=](TotalVolume &v) { Electrodeposition(&v, film, conducting, 2.0f).run(); };
    });
    QTest::newRow("pvd on both sides") << "actionPVD" << "Undo Isotropic Deposition" << Fill([](QWidget *d) {
        child<QDoubleSpinBox>(d, "dblThickness")->setValue(3.0);
        child<QDoubleSpinBox>(d, "dblRatio")->setValue(0.25);
        child<QRadioButton>(d, "radBoth")->setChecked(true);
        const std::uint32_t film = pick(d, "cbxMaterial", 6);
        return [=](TotalVolume &v) { AnisotropicFilmDeposition(&v, film, 3.0f, 0.25f, 3).run(); };
    });
    QTest::newRow("moore deposition") << "actionMoore_Deposition" << "Undo Moore film deposition" << Fill([](QWidget *d) {
        child<QSpinBox>(d, "sbxValue")->setValue(2);
        const std::uint32_t film = pick(d, "cbxFilm", 7);
        return [=](TotalVolume &v) { MooreNeighborhoodDeposition(&v, film, 2).run(); };
    });
    QTest::newRow("planarization") << "actionPlanarization" << "Undo Planarization" << Fill([](QWidget *d) {
        child<QSpinBox>(d, "sbxMaximumHeight")->setValue(3);
        child<QSpinBox>(d, "sbxMinimumHeight")->setValue(1);
        return [](TotalVolume &v) { Planarization(&v, 3, 1).run(); };
    });
    QTest::newRow("spin coating") << "actionSpin_Coating" << "Undo Spin Coating" << Fill([](QWidget *d) {
        child<QSpinBox>(d, "sbxHeight")->setValue(5);
        const std::uint32_t film = pick(d, "cbxMaterial", 9);
        return [=](TotalVolume &v) { SpinCoating(&v, film, 5).run(); };
    });
}

void TestFilmDialogs::menuRunUndoRedo()
{
    QFETCH(QString, action);
    QFETCH(QString, undoText);
    QFETCH(Fill, fill);
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    const auto ids = padOnFloor();
    auto volume = std::make_shared<TotalVolume>(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    TotalVolume expected(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    GuiTestSupport::whenModal([&](QWidget *dialog) {
        fill(dialog)(expected);
        static_cast<QDialog *>(dialog)->accept();
    });
    window.findChild<QAction *>(action)->trigger();
    const auto after = volume->materialIds();
    QVERIFY(after != ids);
    QCOMPARE(after, expected.materialIds());
    QVERIFY(!workspace.getCurrentOperation());
    auto *undo = window.findChild<QAction *>(QStringLiteral("actionUndo"));
    auto *redo = window.findChild<QAction *>(QStringLiteral("actionRedo"));
    QCOMPARE(undo->text(), undoText);
    undo->trigger();
    QCOMPARE(volume->materialIds(), ids);
    QVERIFY(redo->isEnabled());
    redo->trigger();
    QCOMPARE(volume->materialIds(), after);
}

// The boxes start at the volume's height; the minimum never passes the maximum.
void TestFilmDialogs::planarizationLimits()
{
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = std::make_shared<TotalVolume>(4, 4, 6, 1.f, 1.f, 1.f, Util::Vector3D(), std::vector<std::uint32_t>(96, 1));
    workspace.getSelection().select(volume);
    int maximum = -1, limit = -1, minimumLimit = -1;
    GuiTestSupport::whenModal([&](QWidget *dialog) {
        auto *top = child<QSpinBox>(dialog, "sbxMaximumHeight");
        maximum = top->value();
        limit = top->maximum();
        top->setValue(2);
        minimumLimit = child<QSpinBox>(dialog, "sbxMinimumHeight")->maximum();
        static_cast<QDialog *>(dialog)->reject();
    });
    window.findChild<QAction *>(QStringLiteral("actionPlanarization"))->trigger();
    QCOMPARE(maximum, 6);
    QCOMPARE(limit, 6);
    QCOMPARE(minimumLimit, 2);
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Planarization: Operation canceled!"));
    QVERIFY(!workspace.getCurrentOperation());
}

void TestFilmDialogs::mooreCancelEndsTheOperation()
{
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = std::make_shared<TotalVolume>(4, 4, 4, 1.f, 1.f, 1.f, Util::Vector3D(), std::vector<std::uint32_t>(64, 1));
    workspace.getSelection().select(volume);
    QString label;
    GuiTestSupport::whenModal([&](QWidget *dialog) {
        label = child<QLabel>(dialog, "lblValue")->text();
        static_cast<QDialog *>(dialog)->reject();
    });
    window.findChild<QAction *>(QStringLiteral("actionMoore_Etching"))->trigger();
    QCOMPARE(label, QStringLiteral("Etch Depth"));
    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
}

QTEST_MAIN(TestFilmDialogs)
#include "tst_filmdialogs.moc"
