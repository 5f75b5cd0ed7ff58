#pragma once

// Helpers for driving modal dialogs, the GL view and the console in GUI tests.

#include "Core/TestOperations.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/GLWidget.h"
#include "UI/MainWindow.h"
#include "UI/ViewCamera.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QAbstractButton>
#include <QComboBox>
#include <QPointer>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <functional>
#include <memory>

namespace GuiTestSupport {

// How a watch for a dialog behaves: `scope` ends it early (a watch owned by a
// test's object never answers a later case); an `optional` dialog may not come
// at all; otherwise a dialog that has not come within `timeoutMs` fails the
// test, naming what was awaited.
struct Watch {
    QObject *scope = nullptr;
    bool optional = false;
    int timeoutMs = 10000;
};

// Runs `handle` on the first modal widget of class `type` (or a subclass)
// whose title is `title` (any title when empty), as soon as it is the active
// modal widget. The widget that was already modal when the watch began is
// never taken for it: the dialog a test is inside is not the one it waits for.
// The watch ends with the test function (and data row) that started it.
inline void whenModalOf(const QMetaObject &type, const QString &title, std::function<void(QWidget *)> handle,
                        const Watch &watch = {})
{
    auto *timer = new QTimer(watch.scope);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const QPointer<QWidget> already(QApplication::activeModalWidget());
    const QByteArray function(QTest::currentTestFunction());
    const QByteArray row(QTest::currentDataTag());
    const QString awaited = QStringLiteral("%1 \"%2\"").arg(QLatin1String(type.className()), title);
    QObject::connect(timer, &QTimer::timeout, [=, &type] {
        QWidget *modal = QApplication::activeModalWidget();
        const bool sameCase = function == QTest::currentTestFunction() && row == QTest::currentDataTag();
        const bool found = sameCase && modal && modal != already.data() && modal->metaObject()->inherits(&type)
                           && (title.isEmpty() || modal->windowTitle() == title);
        const bool late = !found && clock->elapsed() > watch.timeoutMs;
        if (found || late || !sameCase) {
            timer->stop();
            timer->deleteLater();
        }
        if (found) {
            handle(modal);
            // A handler that left its dialog open (a file name the chooser
            // did not take, say) would hang the test: fail it, close the dialog.
            const QPointer<QWidget> answered(modal);
            QTimer::singleShot(watch.timeoutMs, modal, [answered, awaited, function, row] {
                if (!answered || !answered->isVisible() || function != QTest::currentTestFunction()
                    || row != QTest::currentDataTag())
                    return;
                const QByteArray message = QStringLiteral("the %1 was still open after its answer").arg(awaited).toUtf8();
                QTest::qFail(message.constData(), __FILE__, __LINE__);
                answered->close();
            });
        } else if (!watch.optional && (late || !sameCase)) {
            const QByteArray message = QStringLiteral("no %1 came within %2 ms").arg(awaited).arg(watch.timeoutMs).toUtf8();
            if (sameCase)
                QTest::qFail(message.constData(), __FILE__, __LINE__);
            else
                qWarning("%s in %s (%s)", message.constData(), function.constData(), row.constData());
        }
    });
    timer->start(20);
}

// whenModalOf for a dialog of class T, handed to `handle` as a T.
template <typename T, typename Handler>
void whenModal(const QString &title, Handler handle, const Watch &watch = {})
{
    whenModalOf(T::staticMetaObject, title, [handle](QWidget *modal) { handle(static_cast<T *>(modal)); }, watch);
}

// Types `path` into a file chooser's name field, as a user would, and
// accepts it (selectFile leaves a focused name field alone).
inline void typeFileName(QFileDialog *chooser, const QString &path)
{
    chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog *>(chooser)->accept();
}

// Fills the next dialog titled `title` with `fill`, then accepts or rejects it.
inline void answerDialog(const QString &title, std::function<void(QDialog *)> fill, bool accept)
{
    whenModal<QDialog>(title, [fill, accept](QDialog *dialog) {
        if (fill)
            fill(dialog);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

// Answers the next message box (titled `title` unless that is empty) with
// `button`; its text lands in `text`.
inline void answerBox(QString *text, QMessageBox::StandardButton button = QMessageBox::Ok, const QString &title = {})
{
    whenModal<QMessageBox>(title, [text, button](QMessageBox *box) {
        *text = box->text();
        box->button(button)->click();
    });
}

template <typename T>
T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QStringList lines(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// Widget pixel (top-left origin) where `world` is drawn.
inline QPoint pixelOf(const Ui::GLWidget *view, const Util::Vector3D &world)
{
    const Ui::ViewCamera &camera = view->viewCamera();
    const Util::Vector3D window = camera.project(world);
    const double ratio = view->devicePixelRatioF();
    return QPoint(int(std::floor(window.x / ratio)), int(std::floor((camera.viewportHeight() - window.y) / ratio)));
}

// Shows `window` and waits until it is active (no window manager hands
// activation back after a dialog, so this is also called after one closed).
inline bool activate(QWidget *window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

inline QAction *action(const QWidget *window, const QString &name) { return window->findChild<QAction *>(name); }

// Fills the Create Substrate dialog: an nx x ny x nz volume whose base is a
// block of `material`, `height` cells high.
inline void fillSubstrate(QWidget *modal, int nx, int ny, int nz, int height, std::uint32_t material)
{
    const std::pair<const char *, int> sizes[] = {{"sbxTotalWidth", nx}, {"sbxTotalLength", ny}, {"sbxTotalHeight", nz},
                                                  {"sbxSubsWidth", nx},  {"sbxSubsLength", ny},  {"sbxSubsHeight", height}};
    for (const auto &[name, value] : sizes)
        child<QSpinBox>(modal, name)->setValue(value);
    auto *materials = child<QComboBox>(modal, "cbxFilm");
    materials->setCurrentIndex(materials->findData(material));
    QVERIFY(materials->currentIndex() >= 0);
}

// nx x ny x nz cells (z runs fastest): `base` below `height`, `coat` cells of
// `coatMaterial` on it, empty above.
inline std::vector<std::uint32_t> layeredIds(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, std::uint32_t height,
                                             std::uint32_t coat, std::uint32_t base = 1, std::uint32_t coatMaterial = 3)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = i % nz < height ? base : i % nz < height + coat ? coatMaterial : 0;
    return ids;
}

inline std::shared_ptr<Model::Automaton::TotalVolume> volumeOf(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                                                               const std::vector<std::uint32_t> &ids)
{
    return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

// Picks the volume with a real click on `top` through the view's selection
// pass, then presses Return in the window (the options dialog comes next).
inline void pickAndReturn(Ui::MainWindow &window, const Model::Automaton::TotalVolume &volume, const Util::Vector3D &top)
{
    Ui::GLWidget *view = window.getView();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    const QPoint onTop = pixelOf(view, top);
    QVERIFY2(view->rect().contains(onTop), "the volume is outside the view");
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, onTop);
    QVERIFY(volume.isSelected());
    QVERIFY(activate(&window));
    QTest::keyClick(&window, Qt::Key_Return);
}

using TestSupport::checkUndoRedo;

} // namespace GuiTestSupport
