#include "ProcessProgressDisplay.h"

#include <QApplication>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace Ui {

ProcessProgressDisplay::ProcessProgressDisplay(QStatusBar *statusBar)
    : bar(new QProgressBar(statusBar))
{
    bar->setObjectName(QStringLiteral("processProgressBar"));
    bar->setRange(0, barRange);
    bar->setMaximumWidth(260);
    bar->setTextVisible(true);
    statusBar->addPermanentWidget(bar);
    bar->hide();
}

ProcessProgressDisplay::~ProcessProgressDisplay()
{
    if (cursorSet)
        QApplication::restoreOverrideCursor();
}

void ProcessProgressDisplay::runStarted(const QString &name)
{
    if (!cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorSet = true;
    }
    if (bar) {
        bar->setFormat(name + QStringLiteral(" %p%"));
        bar->setRange(0, barRange);
        bar->setValue(0);
        bar->hide();
    }
}

void ProcessProgressDisplay::runProgress(unsigned long long done, unsigned long long total, qint64 elapsedMs)
{
    if (!bar || elapsedMs < showAfterMs)
        return;
    if (total == 0) {
        bar->setRange(0, 0); // steps not known yet: a busy bar
    } else {
        bar->setRange(0, barRange);
        const double fraction = double(std::min(done, total)) / double(total);
        bar->setValue(int(fraction * barRange));
    }
    bar->show();
}

void ProcessProgressDisplay::runFinished()
{
    if (bar)
        bar->hide();
    if (cursorSet) {
        QApplication::restoreOverrideCursor();
        cursorSet = false;
    }
}

} // namespace Ui
