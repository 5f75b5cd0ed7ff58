#include "Core/Operations/Lithography/MaskFiles.h"
#include "Core/ProcessTable.h"
#include "Model/TempHome.h"
#include "UI/GuiTestSupport.h"

#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/Lithography/PhotolithographyDialog.h"

#include "UI/DialogMemory.h"

#include <QtTest>
#include <QtWidgets>

using Core::Operations::PhotolithographyOperation;
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

} // namespace

// 2 x 2 x 5 cells: silicon, two layers of positive resist, empty above. The
// top mask (a 1 x 2 image, black at the bottom) covers column (0, 0).
void TestPhotolithographyDialog::developThroughTheDialog()
{
    QTemporaryDir dir;
    QImage image(1, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 1, qRgb(0, 0, 0));
    const QString top = dir.filePath("top.png");
    QVERIFY(image.save(top));
    const QString bottom = dir.filePath("bottom.bmp");
    QVERIFY(image.save(bottom));
    // A layout whose first LAYER record claims 5 bytes, and a PNG header
    // claiming 46341 x 46341 pixels: each a warning, never a crash.
    QFile example(QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/masks/cross_layer1.gds"));
    QVERIFY(example.open(QIODevice::ReadOnly));
    QByteArray damaged = example.readAll();
    damaged[109] = 5;
    const QPair<QString, QByteArray> hostile[] = {{dir.filePath("damaged.gds"), damaged},
                                                  {dir.filePath("huge.png"), TestFiles::pngDeclaring(46341, 46341)}};
    for (const auto &file : hostile) {
        QFile out(file.first);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file.second) == file.second.size());
    }
    QStringList refusals;

    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    std::vector<std::uint32_t> ids;
    for (int column = 0; column < 4; ++column)
        ids.insert(ids.end(), {1, resist, resist, 0, 0});
    auto volume = GuiTestSupport::volumeOf(2, 2, 5, ids);
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    PhotolithographyDialog::forgetRememberedFolder();

    QString warning, chooserFolder;
    std::size_t topQuads = 0, bottomQuadsAfterMissing = 0, bottomQuadsAfterRemove = 1;
    GuiTestSupport::whenModal<PhotolithographyDialog>(QStringLiteral("Photolithography Options"), [&](QDialog *dialog) {
        // "..." with a file: the chooser starts in the current folder.
        GuiTestSupport::whenModal<QFileDialog>({}, [&](QFileDialog *chooser) {
            chooserFolder = chooser->directory().absolutePath();
            GuiTestSupport::typeFileName(chooser, top);
        });
        QTest::mouseClick(child<QPushButton>(dialog, "btnTopMaskBrowse"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(dialog, "btnTopMaskApply"), Qt::LeftButton);
        topQuads = volume->getPainter().maskOverlayQuads().above.size() / 12;

        // A good bottom mask, then a missing file: the warning, the mask kept.
        child<QLineEdit>(dialog, "linBottomMask")->setText(bottom);
        QTest::mouseClick(child<QPushButton>(dialog, "btnBottomMaskApply"), Qt::LeftButton);
        child<QLineEdit>(dialog, "linBottomMask")->setText(dir.filePath("missing.png"));
        GuiTestSupport::answerBox(&warning, QMessageBox::Ok, QStringLiteral("Photolithography Options"));
        QTest::mouseClick(child<QPushButton>(dialog, "btnBottomMaskApply"), Qt::LeftButton);
        for (const auto &file : hostile) {
            child<QLineEdit>(dialog, "linBottomMask")->setText(file.first);
            QString refusal;
            GuiTestSupport::answerBox(&refusal, QMessageBox::Ok, QStringLiteral("Photolithography Options"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnBottomMaskApply"), Qt::LeftButton);
            refusals << refusal;
        }
        bottomQuadsAfterMissing = volume->getPainter().maskOverlayQuads().below.size() / 12;
        QTest::mouseClick(child<QPushButton>(dialog, "btnBottomMaskRemove"), Qt::LeftButton);
        bottomQuadsAfterRemove = volume->getPainter().maskOverlayQuads().below.size() / 12;

        auto *films = child<QComboBox>(dialog, "cbxFilm");
        films->setCurrentIndex(films->findData(resist));
        QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Photolithography));

    QCOMPARE(chooserFolder, QDir::currentPath());
    QCOMPARE(PhotolithographyDialog::rememberedFolder(), dir.path());
    QCOMPARE(topQuads, std::size_t(1));
    QVERIFY2(warning.startsWith(QStringLiteral("Bottom mask not found error!<br/>Please verify if the filename is "
                                               "correct and you have the correct permissions.<br/>"))
                 && warning.contains(dir.filePath("missing.png")),
             qPrintable(warning));
    QCOMPARE(refusals.size(), 2);
    QVERIFY2(refusals[0].startsWith("Bottom Mask layout not used!") && refusals[0].contains("a record length of 5"),
             qPrintable(refusals[0]));
    QVERIFY2(refusals[1].startsWith("Bottom Mask image not used!") && refusals[1].contains("46341 x 46341 pixels"),
             qPrintable(refusals[1]));
    QCOMPARE(bottomQuadsAfterMissing, std::size_t(1));
    QCOMPARE(bottomQuadsAfterRemove, std::size_t(0));

    // Column (0, 0) kept its resist, the others lost theirs; the overlays are gone.
    const auto after = volume->materialIds();
    for (std::size_t column = 0; column < 4; ++column)
        QCOMPARE(after[column * 5 + 1], column == 0 ? resist : 0u);
    QVERIFY(volume->getPainter().maskOverlayQuads().above.empty());
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Photolithography: Operation finished: 6 cells changed (Photoresist + -6)."));
    QCOMPARE(workspace.getUndoRedo().undoTopName(), QStringLiteral("Photolithography"));
    window.getPresenter()->undo();
    QVERIFY(volume->materialIds() == ids);
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
    QTest::newRow("layout, applied") << "cell00.gds" << "apply" << "corner" << layout << "1000";
    QTest::newRow("layout, typed") << "cell00.gds" << "type" << "corner" << layout << "1000";
    // Scaled to 2 x 2, the mask's opaque bottom cell covers row y = 0.
    QTest::newRow("image, typed, scaled") << "top.png" << "type" << "scale" << image << "1010";
    QTest::newRow("layout, typed, repeated") << "cell00.gds" << "type" << "repeat" << layout << "1111";
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
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = GuiTestSupport::volumeOf(2, 2, 5, resistStack());
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);

    QString shownSizes, preview;
    GuiTestSupport::whenModal<PhotolithographyDialog>(QStringLiteral("Photolithography Options"), [&](QDialog *dialog) {
        if (entry == "browse") {
            GuiTestSupport::whenModal<QFileDialog>(QStringLiteral("Choose Mask File"), [&](QFileDialog *chooser) {
                GuiTestSupport::typeFileName(chooser, dir.filePath(file));
            });
            QTest::mouseClick(child<QPushButton>(dialog, "btnTopMaskBrowse"), Qt::LeftButton);
        } else {
            child<QLineEdit>(dialog, "linTopMask")->setText(dir.filePath(file));
        }
        if (entry == "apply") {
            QTest::mouseClick(child<QPushButton>(dialog, "btnTopMaskApply"), Qt::LeftButton);
            shownSizes = child<QLabel>(dialog, "lblMaskSize")->text();
        }
        auto *placements = child<QComboBox>(dialog, "cbxPlacement");
        QVERIFY(placements->isEnabled());
        placements->setCurrentIndex(placements->findData(placement));
        auto *films = child<QComboBox>(dialog, "cbxFilm");
        films->setCurrentIndex(films->findData(resist));
        QTest::mouseClick(child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok), Qt::LeftButton);
        if (entry != "apply")
            shownSizes = child<QLabel>(dialog, "lblMaskSize")->text();
        preview = darkInPreview(child<QLabel>(dialog, "lblMaskPreview"));
    });
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Photolithography));

    QCOMPARE(shownSizes, sizes);
    QCOMPARE(keptColumns(*volume), kept);
    QCOMPARE(preview, kept);
    const QString finished = workspace.getConsoleInput().getMessage();
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
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = GuiTestSupport::volumeOf(2, 2, 5, resistStack());
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);

    QString warning;
    bool stayedOpen = false;
    GuiTestSupport::whenModal<PhotolithographyDialog>(QStringLiteral("Photolithography Options"), [&](QDialog *dialog) {
        child<QLineEdit>(dialog, "linTopMask")->setText(dir.filePath("top.png"));
        child<QLineEdit>(dialog, qPrintable(field))->setText(dir.filePath(file));
        auto *films = child<QComboBox>(dialog, "cbxFilm");
        films->setCurrentIndex(films->findData(resist));
        GuiTestSupport::answerBox(&warning, QMessageBox::Ok, QStringLiteral("Photolithography Options"));
        auto *buttons = child<QDialogButtonBox>(dialog, "buttonBox");
        QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        stayedOpen = dialog->isVisible();
        QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Photolithography));

    QVERIFY(stayedOpen);
    QVERIFY2(warning.contains(dir.filePath(file)) && warning.contains(reason) && warning.contains("Nothing was developed"),
             qPrintable(warning));
    QVERIFY(volume->materialIds() == resistStack());
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Photolithography: Operation Canceled!"));
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
    QTest::mouseClick(child<QPushButton>(&dialog, "btnBottomMaskApply"), Qt::LeftButton);
    QVERIFY(!volume->getPainter().maskOverlayQuads().below.empty());
    QVERIFY(volume->getPainter().maskOverlayQuads().above.empty());
    QTest::mouseClick(child<QPushButton>(&dialog, "btnBottomMaskRemove"), Qt::LeftButton);
    QCOMPARE(refreshes, 2);
    QVERIFY(volume->getPainter().maskOverlayQuads().below.empty());
    QVERIFY(volume->materialIds() == std::vector<std::uint32_t>(12, resist));
}

QTEST_MAIN(TestPhotolithographyDialog)
#include "tst_photolithographydialog.moc"
