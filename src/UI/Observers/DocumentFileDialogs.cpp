#include "DocumentFileDialogs.h"

#include "UI/FileNames.h"

#include <QFileDialog>
#include <QMessageBox>

namespace Ui {
namespace Observers {

QString DocumentFileDialogs::chooseFile(const FileRequest &request)
{
    const QString name = QStringLiteral("DocumentFileDialog");
    // A name typed without extension still ends up where the next open looks.
    if (request.forSaving)
        return FileNames::getSaveFileName(nullptr, request.caption, request.folder, request.filter, nullptr, name);
    QFileDialog dialog(nullptr, request.caption, request.folder, request.filter);
    dialog.setObjectName(name);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void DocumentFileDialogs::reportError(const QString &title, const QString &text, const QString &detail)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

QString DocumentFileDialogs::titleFor(const QString &fileName)
{
    if (fileName.isEmpty())
        return QStringLiteral("Kestrum");
    return QStringLiteral("Kestrum  ") + fileName;
}

} // namespace Observers
} // namespace Ui
