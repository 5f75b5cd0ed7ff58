#include "CatalogueLocation.h"

#include <QDir>

namespace Model {
namespace Persistence {

QString CatalogueLocation::pathForReading(const QString &fileName)
{
    QDir dir = QDir::home();
    dir.cd(QLatin1String(folderName)); // stays in the home directory when missing
    return dir.filePath(fileName);
}

QString CatalogueLocation::pathForWriting(const QString &fileName)
{
    QDir dir = QDir::home();
    const QString folder = QLatin1String(folderName);
    if (!dir.mkpath(folder) || !dir.cd(folder))
        return QString();
    return dir.filePath(fileName);
}

} // namespace Persistence
} // namespace Model
