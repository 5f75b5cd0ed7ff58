#include "LoadProgressDialog.h"

#include <QFileInfo>

#include <algorithm>

namespace Ui {

LoadProgressDialog::LoadProgressDialog(const QString &fileName)
    : box(new QProgressDialog)
{
    box->setWindowTitle(QStringLiteral("Opening document"));
    box->setLabelText(QStringLiteral("Reading %1 ...").arg(QFileInfo(fileName).fileName()));
    box->setObjectName(QStringLiteral("loadProgress"));
    // A load cannot stop half-way without leaving a half-read volume.
    box->setCancelButton(nullptr);
    box->setWindowModality(Qt::ApplicationModal);
    box->setMinimumDuration(showAfterMs);
    box->setAutoClose(false);
    box->setAutoReset(false);
    // Wide enough for its title and a long file name.
    box->setMinimumWidth(std::max(360, box->fontMetrics().horizontalAdvance(box->labelText()) + 120));
    box->setRange(0, barRange);
    box->setValue(0);
}

LoadProgressDialog::~LoadProgressDialog()
{
    delete box.data();
}

void LoadProgressDialog::setProgress(unsigned long long done, unsigned long long total)
{
    if (!box || total == 0)
        return;
    const int value = int(std::min(done, total) * barRange / total);
    if (value == shown)
        return;
    shown = value;
    box->setValue(value);
}

} // namespace Ui
