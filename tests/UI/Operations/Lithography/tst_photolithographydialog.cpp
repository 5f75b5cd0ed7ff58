#include "Core/Operations/Lithography/MaskFiles.h"
#include "Core/ProcessTable.h"
#include "UI/GuiTestSupport.h"

#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/Lithography/PhotolithographyDialog.h"

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
    void developThroughTheDialog();
    void batchVariantShowsMasks();
};

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
    QCOMPARE(warning, QStringLiteral("Bottom mask not found error!<br/>Please verify if the filename is correct and "
                                     "you have the correct permissions."));
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
