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

// Runs `handle` on the next modal widget that is not `previous`, as soon as it
// is up. Gives up after `timeoutMs` so a missing dialog cannot hang a test; a
// watch owned by `scope` ends with it, so it never answers a later case.
inline void whenModal(std::function<void(QWidget *)> handle, QWidget *previous = nullptr, int timeoutMs = 10000,
                      QObject *scope = nullptr)
{
    auto *timer = new QTimer(scope);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QPointer<QWidget> before(previous);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, before, handle, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        const bool found = modal && modal != before.data();
        if (found || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
        if (found)
            handle(modal);
    });
    timer->start(20);
}

// Fills the next modal dialog above `previous` with `fill`, then accepts or rejects it.
inline void answerDialog(std::function<void(QWidget *)> fill, bool accept, QWidget *previous = nullptr)
{
    whenModal([fill, accept](QWidget *modal) {
        if (fill)
            fill(modal);
        if (accept)
            static_cast<QDialog *>(modal)->accept();
        else
            static_cast<QDialog *>(modal)->reject();
    }, previous);
}

// Answers the next message box with `button`; its text lands in `text`.
inline void answerBox(QString *text, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    whenModal([text, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
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
