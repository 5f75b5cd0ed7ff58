#include "UI/GLWidget.h"
#include "UI/MainWindow.h"
#include "Util/Logging.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QSurfaceFormat>
#include <QTimer>

int main(int argc, char *argv[])
{
    QElapsedTimer startClock;
    startClock.start();

    // The view draws with the fixed-function pipeline: every context, the
    // shared one included, is a compatibility one.
    QSurfaceFormat::setDefaultFormat(Ui::GLWidget::requestedFormat());
    QApplication app(argc, argv);

    QPixmap icon(32, 32);
    if (!icon.load(QStringLiteral("icon.ico")))
        icon.fill(QColor(207, 8, 12));
    else
        icon = icon.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    app.setWindowIcon(QIcon(icon));

    Ui::MainWindow window;
    window.showMaximized();
    QTimer::singleShot(0, &window, [&startClock] {
        qCDebug(lcView) << "Time to show the main window:" << startClock.elapsed() << "ms";
    });
    return app.exec();
}
