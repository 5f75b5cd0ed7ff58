#include "UI/GLWidget.h"
#include "UI/MainWindow.h"
#include "Util/Logging.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QSurfaceFormat>
#include <QTimer>

#include <memory>

int main(int argc, char *argv[])
{
    QElapsedTimer startClock;
    startClock.start();

    // The view draws with the fixed-function pipeline: every context, the
    // shared one included, is a compatibility one.
    QSurfaceFormat::setDefaultFormat(Ui::GLWidget::defaultFormat());
    QApplication app(argc, argv);

    QPixmap icon(32, 32);
    if (!icon.load(QStringLiteral("icon.ico")))
        icon.fill(QColor(207, 8, 12));
    else
        icon = icon.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    app.setWindowIcon(QIcon(icon));

    Ui::MainWindow window;
    window.showMaximized();
    // A catalogue file that could not be read was kept as it is; the user
    // hears of it once, when the window is up.
    QTimer::singleShot(0, &window, [&window] { window.reportCatalogueProblems(); });
    // Start-up time, measured to the view's first finished frame.
    auto firstFrame = std::make_shared<QMetaObject::Connection>();
    *firstFrame = QObject::connect(window.getView(), &QOpenGLWidget::frameSwapped, [firstFrame, &startClock] {
        qCDebug(lcView) << "Time to the first frame:" << startClock.elapsed() << "ms";
        QObject::disconnect(*firstFrame);
    });
    return app.exec();
}
