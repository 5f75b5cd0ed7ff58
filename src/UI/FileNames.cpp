#include "UI/FileNames.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace Ui {

namespace {

// The extension a plain "*.ext" pattern stands for; empty for anything else.
QString extensionOf(const QString &pattern)
{
    if (!pattern.startsWith(QLatin1String("*.")))
        return {};
    const QString extension = pattern.mid(2);
    static const QRegularExpression wildcard(QStringLiteral("[*?\\[\\]]"));
    return extension.contains(wildcard) ? QString() : extension;
}

bool matchesAny(const QString &fileName, const QStringList &patterns)
{
    for (const QString &pattern : patterns) {
        const QRegularExpression expression(QRegularExpression::wildcardToRegularExpression(pattern),
            QRegularExpression::CaseInsensitiveOption);
        if (expression.match(fileName).hasMatch())
            return true;
    }
    return false;
}

bool confirmReplace(QWidget *parent, const QString &caption, const QString &fileName)
{
    const QString text = QStringLiteral("%1 already exists.\nDo you want to replace it?")
                             .arg(QDir::toNativeSeparators(fileName));
    return QMessageBox::warning(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

} // namespace

QStringList FileNames::patterns(const QString &filter)
{
    QString list = filter.trimmed();
    const int open = list.lastIndexOf(QLatin1Char('('));
    const int close = list.lastIndexOf(QLatin1Char(')'));
    if (open >= 0 && close > open)
        list = list.mid(open + 1, close - open - 1);
    QStringList found;
    for (const QString &word :
        list.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts)) {
        if (word.contains(QLatin1Char('*')) || word.contains(QLatin1Char('?')))
            found << word;
    }
    return found;
}

QString FileNames::withExtension(
    const QString &name, const QString &selectedFilter, const QStringList &offeredFilters)
{
    const QString fileName = QFileInfo(name).fileName();
    if (fileName.isEmpty())
        return name;
    const QStringList selected = patterns(selectedFilter);
    QStringList all = selected;
    for (const QString &filter : offeredFilters)
        all << patterns(filter);
    if (matchesAny(fileName, all))
        return name;
    for (const QString &pattern : selected) {
        const QString extension = extensionOf(pattern);
        if (extension.isEmpty())
            continue;
        // "part." means "part" with the dot already typed.
        return name.endsWith(QLatin1Char('.')) ? name + extension : name + QLatin1Char('.') + extension;
    }
    return name;
}

QString FileNames::getSaveFileName(QWidget *parent, const QString &caption, const QString &folder,
    const QString &filters, QString *selectedFilter, const QString &objectName)
{
    QFileDialog chooser(parent, caption, folder, filters);
    if (!objectName.isEmpty())
        chooser.setObjectName(objectName);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    if (chooser.exec() != QDialog::Accepted)
        return {};
    const QString chosen = chooser.selectedFiles().value(0);
    if (chosen.isEmpty())
        return {};
    const QString filter = chooser.selectedNameFilter();
    const QString completed = withExtension(chosen, filter, chooser.nameFilters());
    // The chooser asked about replacing the name it saw, not this one.
    if (completed != chosen && QFileInfo::exists(completed) && !confirmReplace(parent, caption, completed))
        return {};
    if (selectedFilter)
        *selectedFilter = filter;
    return completed;
}

} // namespace Ui
