#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace Ui {

// File names typed into a save chooser: every save in the program completes a
// name typed without an extension from the filter the user chose, the same way.
class FileNames
{
public:
    // The name patterns of one chooser filter: "Images (*.png *.jpg)" gives
    // "*.png" and "*.jpg"; a filter without parentheses is read whole, and
    // only the words holding a wildcard count ("Circuit files *.cir").
    static QStringList patterns(const QString &filter);

    // `name` with the first extension of `selectedFilter` appended, unless its
    // file name already matches a pattern of that filter or of one of the
    // other `offeredFilters` (a name ending in ".vti" stays VTI whatever filter
    // is selected). Matching ignores case. A filter without a plain "*.ext"
    // pattern, such as "All files (*)", leaves the name as it is.
    static QString withExtension(
        const QString &name, const QString &selectedFilter, const QStringList &offeredFilters = {});

    // Asks for a file to save to, with `filters` separated by ";;", and
    // completes the answer with withExtension(). A completed name that
    // differs from the chosen one and already exists is confirmed with the
    // user first, as the chooser itself does for the name it saw. Empty when
    // the user cancels. `selectedFilter`, when given, receives the filter; a
    // non-empty `objectName` names the chooser.
    static QString getSaveFileName(QWidget *parent, const QString &caption, const QString &folder,
        const QString &filters, QString *selectedFilter = nullptr, const QString &objectName = {});
};

} // namespace Ui
