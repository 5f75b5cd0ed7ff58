#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/DialogMemory.h"
#include "UI/GuiTestSupport.h"
#include "UI/MainWindowPresenter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QtTest>
#include <QtWidgets>

using GuiTestSupport::child;

class TestDeepRieDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { Ui::DialogMemory::forgetAll(); }
    void menuRunShowsDepthAsTyped();
};

// The menu entry opens the options with the defaults and the open-surface
// depth they give; the depth follows what is typed; OK runs the etch (its
// finish line and undo from the menu: tst_deepreactiveionetching).
void TestDeepRieDialog::menuRunShowsDepthAsTyped()
{
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    // 24 x 4 x 20 cells of 1 µm: silicon below z = 14 under two layers of
    // oxide open over 6 <= x < 18.
    auto volume = TestSupport::volumeFrom(24, 4, 20, [](auto x, auto, auto z) {
        return z < 14 ? 1u : z < 16 && (x < 6 || x >= 18) ? 3u : 0u;
    });
    workspace.getSelection().select(volume);
    const auto before = volume->materialIds();
    QStringList shown;
    QString suffix;
    GuiTestSupport::answerDialog(QStringLiteral("DRIE (Bosch) Options"),
        [&](QDialog *dialog) {
            const auto label = child<QLabel>(dialog, "lblPrediction");
            shown << label->text();
            suffix = child<QDoubleSpinBox>(dialog, "sbxEtchPerCycle")->suffix();
            child<QSpinBox>(dialog, "sbxCycles")->setValue(4);
            shown << label->text();
            child<QDoubleSpinBox>(dialog, "sbxEtchPerCycle")->setValue(1.5);
            shown << label->text();
            QCOMPARE(child<QComboBox>(dialog, "cbxMaterial")->currentText(), QStringLiteral("Si"));
            QVERIFY(child<QCheckBox>(dialog, "chkArde")->isChecked());
        },
        true);
    QAction *entry = GuiTestSupport::action(&window, QStringLiteral("actionDRIE_Bosch"));
    QVERIFY(entry && entry->isEnabled());
    QCOMPARE(entry->text(), QStringLiteral("DRIE (Bosch)"));
    entry->trigger();
    QCOMPARE(shown.size(), 3);
    QVERIFY2(shown[0].contains(QString::fromUtf8("10 \xc2\xb5m")), qPrintable(shown[0]));
    QVERIFY2(shown[1].contains(QString::fromUtf8("2 \xc2\xb5m")), qPrintable(shown[1]));
    QVERIFY2(shown[2].contains(QString::fromUtf8("6 \xc2\xb5m")), qPrintable(shown[2]));
    QCOMPARE(suffix, QString::fromUtf8(" \xc2\xb5m"));
    QVERIFY(volume->materialIds() != before);
}

QTEST_MAIN(TestDeepRieDialog)
#include "tst_deepriedialog.moc"
