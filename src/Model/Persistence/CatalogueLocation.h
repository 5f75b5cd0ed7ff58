#pragma once

#include <QString>

namespace Model {
namespace Persistence {

// Where the catalogue files live: the folder "Kestrum" under the home
// directory. Reading falls back to the home directory itself when that folder
// is missing; writing creates the folder first.
class CatalogueLocation
{
public:
    static constexpr const char *folderName = "Kestrum";

    static QString pathForReading(const QString &fileName);
    // Empty when the folder cannot be created (read-only home, HOME is a
    // file ...); the caller then writes nothing.
    static QString pathForWriting(const QString &fileName);
};

} // namespace Persistence
} // namespace Model
