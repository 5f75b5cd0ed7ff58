#include "Core/Operations/Lithography/MaskFiles.h"
#include "Core/ProcessTable.h"
#include "Model/TempHome.h"
#include "UI/GuiTestSupport.h"

#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/Lithography/PhotolithographyDialog.h"

#include "UI/DialogMemory.h"

#include <QtTest>
#include <QtWidgets>

using GuiTestSupport::child;
using Ui::Operations::PhotolithographyDialog;

static constexpr std::uint32_t resist = 11;

class TestPhotolithographyDialog : public QObject
{
    Q_OBJECT

private slots:
    // Each case starts from the dialogs' own defaults.
    void init() { Ui::DialogMemory::forgetAll(); }
    void developThroughTheDialog();
    void okAppliesTheNamedMask_data();
    void okAppliesTheNamedMask();
    void okRefusesAnUnreadableMask_data();
    void okRefusesAnUnreadableMask();
    void batchVariantShowsMasks();
};

namespace {

// 2 x 2 x 5 cells: silicon, two layers of positive resist, empty above, so
// only the top mask matters. Column k is (x, y) = (k / 2, k % 2).
std::vector<std::uint32_t> resistStack()
{
    std::vector<std::uint32_t> ids;
    for (int column = 0; column < 4; ++column)
        ids.insert(ids.end(), {1, resist, resist, 0, 0});
    return ids;
}

// Writes the masks the window tests use: top.png (1 x 2 pixels, black at the
// bottom: cell (0, 0)), cell00.gds (one 1 µm square on layer 1: cell (0, 0))
// and damaged.gds (a LAYER record claiming 5 bytes).
bool writeMasks(const QTemporaryDir &dir)
{
    QImage image(1, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 1, qRgb(0, 0, 0));
    TestFiles::GdsStream layout;
    layout.begin().structure("TOP").rectangle(1, 0, 0, 1000, 1000).endStructure();
    const QByteArray good = layout.end();
    QByteArray damaged = good;
    damaged[damaged.indexOf(QByteArray("\x00\x06\x0d\x02", 4)) + 1] = 5;
    return image.save(dir.filePath("top.png")) && TestFiles::write(dir.filePath("cell00.gds"), good)
        && TestFiles::write(dir.filePath("damaged.gds"), damaged);
}

// Which columns kept their resist, as "1" and "0" by column index.
QString keptColumns(Model::Automaton::TotalVolume &volume)
{
    QString kept;
    const auto ids = volume.materialIds();
    for (std::size_t column = 0; column < 4; ++column)
        kept += ids[column * 5 + 1] == resist ? '1' : '0';
    return kept;
}

// The same for the dialog's preview: "1" where a column's cell is drawn dark.
QString darkInPreview(const QLabel *preview)
{
    const QImage image = preview->pixmap(Qt::ReturnByValue).toImage();
    QString dark;
    for (int column = 0; column < 4; ++column) {
        const int x = column / 2, y = column % 2;
        const QPoint centre(int((x + 0.5) * image.width() / 2), int((1 - y + 0.5) * image.height() / 2));
        dark += !image.isNull() && qGray(image.pixel(centre)) < 100 ? '1' : '0';
    }
    return dark;
}

void press(QWidget *dialog, const char *button) { QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton); }

QPushButton *buttonOf(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(which);
}

void chooseResist(QWidget *dialog)
{
    auto *films = child<QComboBox>(dialog, "cbxFilm");
    films->setCurrentIndex(films->findData(resist));
}

// The real window with the resist stack, selected; develop() plays the
// options dialog with `drive` on it.
struct Stage
{
    Stage()
    {
        workspace.getDocument().addObject(volume);
        workspace.getSelection().select(volume);
    }
    void develop(const std::function<void(QDialog *)> &drive)
    {
        GuiTestSupport::whenModal<PhotolithographyDialog>(QStringLiteral("Photolithography Options"), drive);
        workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Photolithography));
    }
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    std::shared_ptr<Model::Automaton::TotalVolume> volume = GuiTestSupport::volumeOf(2, 2, 5, resistStack());
};

} // namespace

// The top mask covers column (0, 0); bottom masks show their overlay, and a
// missing, damaged or huge one is a warning that keeps the mask before it.
void TestPhotolithographyDialog::developThroughTheDialog()
{
    QTemporaryDir dir;
    QVERIFY(writeMasks(dir));
    const QString bottom = dir.filePath("bottom.bmp");
    QVERIFY(QImage(dir.filePath("top.png")).save(bottom));
    // A PNG header claiming 46341 x 46341 pixels.
    QVERIFY(TestFiles::write(dir.filePath("huge.png"), TestFiles::pngDeclaring(46341, 46341)));
    Stage stage;
    auto &volume = *stage.volume;
    PhotolithographyDialog::forgetRememberedFolder();

    QString chooserFolder;
    QStringList refusals; // missing, damaged, huge
    std::size_t topQuads = 0, bottomQuadsAfterRefusals = 0, bottomQuadsAfterRemove = 1;
    stage.develop([&](QDialog *dialog) {
        // "..." with a file: the chooser starts in the current folder.
        GuiTestSupport::whenModal<QFileDialog>({}, [&](QFileDialog *chooser) {
            chooserFolder = chooser->directory().absolutePath();
            GuiTestSupport::typeFileName(chooser, dir.filePath("top.png"));
        });
        press(dialog, "btnTopMaskBrowse");
        press(dialog, "btnTopMaskApply");
        topQuads = volume.getPainter().maskOverlayQuads().above.size() / 12;
        child<QLineEdit>(dialog, "linBottomMask")->setText(bottom);
        press(dialog, "btnBottomMaskApply");
        for (const char *file : {"missing.png", "damaged.gds", "huge.png"}) {
            child<QLineEdit>(dialog, "linBottomMask")->setText(dir.filePath(file));
            QString refusal;
            GuiTestSupport::answerBox(&refusal, QMessageBox::Ok, QStringLiteral("Photolithography Options"));
            press(dialog, "btnBottomMaskApply");
            refusals << refusal;
        }
        bottomQuadsAfterRefusals = volume.getPainter().maskOverlayQuads().below.size() / 12;
        press(dialog, "btnBottomMaskRemove");
        bottomQuadsAfterRemove = volume.getPainter().maskOverlayQuads().below.size() / 12;
        chooseResist(dialog);
        QTest::mouseClick(buttonOf(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });

    QCOMPARE(chooserFolder, QDir::currentPath());
    QCOMPARE(PhotolithographyDialog::rememberedFolder(), dir.path());
    QCOMPARE(topQuads, std::size_t(1));
    QCOMPARE(refusals.size(), 3);
    QVERIFY2(refusals[0].startsWith(QStringLiteral("Bottom mask not found error!<br/>Please verify if the filename is "
                                                   "correct and you have the correct permissions.<br/>"))
                 && refusals[0].contains(dir.filePath("missing.png")),
             qPrintable(refusals[0]));
    QVERIFY2(refusals[1].startsWith("Bottom Mask layout not used!") && refusals[1].contains("a record length of 5"),
             qPrintable(refusals[1]));
    QVERIFY2(refusals[2].startsWith("Bottom Mask image not used!") && refusals[2].contains("46341 x 46341 pixels"),
             qPrintable(refusals[2]));
    QCOMPARE(bottomQuadsAfterRefusals, std::size_t(1));
    QCOMPARE(bottomQuadsAfterRemove, std::size_t(0));

    // Column (0, 0) kept its resist, the others lost theirs; the overlays are gone.
    QCOMPARE(keptColumns(volume), QStringLiteral("1000"));
    QVERIFY(volume.getPainter().maskOverlayQuads().above.empty());
    QCOMPARE(stage.workspace.getConsoleInput().getMessage(),
             QStringLiteral("Photolithography: Operation finished: 6 cells changed (Photoresist + -6)."));
    QCOMPARE(stage.workspace.getUndoRedo().undoTopName(), QStringLiteral("Photolithography"));
    stage.window.getPresenter()->undo();
    QVERIFY(volume.materialIds() == resistStack());
}

// A mask named in the field (typed, or chosen with "...") but never applied
// is applied by OK exactly as "Apply" would; the chosen placement reaches the
// run, and the preview draws the mask where the film keeps its resist.
void TestPhotolithographyDialog::okAppliesTheNamedMask_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("entry"); // "apply", "type" or "browse"
    QTest::addColumn<QString>("placement");
    QTest::addColumn<QString>("sizes");
    QTest::addColumn<QString>("kept");
    const QString image = QStringLiteral("The mask is 1 x 2 cells, the volume 2 x 2 cells.");
    const QString layout = QStringLiteral("The mask is 1 x 1 cells, the volume 2 x 2 cells.");
    QTest::newRow("image, applied") << "top.png" << "apply" << "corner" << image << "1000";
    QTest::newRow("image, typed") << "top.png" << "type" << "corner" << image << "1000";
    QTest::newRow("image, chosen with ...") << "top.png" << "browse" << "corner" << image << "1000";
    QTest::newRow("layout, typed") << "cell00.gds" << "type" << "corner" << layout << "1000";
    // Scaled to 2 x 2, the mask's opaque bottom cell covers row y = 0.
    QTest::newRow("image, typed, scaled") << "top.png" << "type" << "scale" << image << "1010";
}

void TestPhotolithographyDialog::okAppliesTheNamedMask()
{
    QFETCH(QString, file);
    QFETCH(QString, entry);
    QFETCH(QString, placement);
    QFETCH(QString, sizes);
    QFETCH(QString, kept);
    QTemporaryDir dir;
    QVERIFY(writeMasks(dir));
    Stage stage;
    QString shownSizes, preview;
    stage.develop([&](QDialog *dialog) {
        if (entry == "browse") {
            GuiTestSupport::whenModal<QFileDialog>(QStringLiteral("Choose Mask File"), [&](QFileDialog *chooser) {
                GuiTestSupport::typeFileName(chooser, dir.filePath(file));
            });
            press(dialog, "btnTopMaskBrowse");
        } else {
            child<QLineEdit>(dialog, "linTopMask")->setText(dir.filePath(file));
        }
        if (entry == "apply") {
            press(dialog, "btnTopMaskApply");
            shownSizes = child<QLabel>(dialog, "lblMaskSize")->text();
        }
        auto *placements = child<QComboBox>(dialog, "cbxPlacement");
        QVERIFY(placements->isEnabled());
        placements->setCurrentIndex(placements->findData(placement));
        chooseResist(dialog);
        QTest::mouseClick(buttonOf(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
        if (entry != "apply")
            shownSizes = child<QLabel>(dialog, "lblMaskSize")->text();
        preview = darkInPreview(child<QLabel>(dialog, "lblMaskPreview"));
    });
    QCOMPARE(shownSizes, sizes);
    QCOMPARE(keptColumns(*stage.volume), kept);
    QCOMPARE(preview, kept);
    const QString finished = stage.workspace.getConsoleInput().getMessage();
    QVERIFY2(finished.startsWith(QStringLiteral("Photolithography: Operation finished")), qPrintable(finished));
}

// A named file that gives no mask stops OK: the warning names the file and
// what is wrong, the dialog stays open, and nothing is developed.
void TestPhotolithographyDialog::okRefusesAnUnreadableMask_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing image, top") << "linTopMask" << "missing.png" << "is not a readable image";
    QTest::newRow("damaged layout, bottom") << "linBottomMask" << "damaged.gds" << "a record length of 5";
}

void TestPhotolithographyDialog::okRefusesAnUnreadableMask()
{
    QFETCH(QString, field);
    QFETCH(QString, file);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(writeMasks(dir));
    Stage stage;
    QString warning;
    bool stayedOpen = false;
    stage.develop([&](QDialog *dialog) {
        child<QLineEdit>(dialog, "linTopMask")->setText(dir.filePath("top.png"));
        child<QLineEdit>(dialog, qPrintable(field))->setText(dir.filePath(file));
        chooseResist(dialog);
        GuiTestSupport::answerBox(&warning, QMessageBox::Ok, QStringLiteral("Photolithography Options"));
        QTest::mouseClick(buttonOf(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
        stayedOpen = dialog->isVisible();
        QTest::mouseClick(buttonOf(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    QVERIFY(stayedOpen);
    QVERIFY2(warning.contains(dir.filePath(file)) && warning.contains(reason) && warning.contains("Nothing was developed"),
             qPrintable(warning));
    QVERIFY(stage.volume->materialIds() == resistStack());
    QCOMPARE(stage.workspace.getConsoleInput().getMessage(), QStringLiteral("Photolithography: Operation Canceled!"));
}

// A recipe editor receives the masks for its own volume: nothing is
// developed, the masks show on the side they light and the view refreshes.
void TestPhotolithographyDialog::batchVariantShowsMasks()
{
    QTemporaryDir dir;
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    const QString file = dir.filePath("red.png");
    QVERIFY(image.save(file));
    auto volume = GuiTestSupport::volumeOf(2, 2, 3, std::vector<std::uint32_t>(12, resist));
    int refreshes = 0;
    Core::Operations::MaskOverlayReceiver receiver(volume, [&refreshes] { ++refreshes; });
    PhotolithographyDialog dialog(&receiver);
    child<QLineEdit>(&dialog, "linBottomMask")->setText(file);
    press(&dialog, "btnBottomMaskApply");
    QVERIFY(!volume->getPainter().maskOverlayQuads().below.empty());
    QVERIFY(volume->getPainter().maskOverlayQuads().above.empty());
    press(&dialog, "btnBottomMaskRemove");
    QCOMPARE(refreshes, 2);
    QVERIFY(volume->getPainter().maskOverlayQuads().below.empty());
    QVERIFY(volume->materialIds() == std::vector<std::uint32_t>(12, resist));
}

QTEST_MAIN(TestPhotolithographyDialog)
#include "tst_photolithographydialog.moc"
