#pragma once

#include <QString>

#include <functional>

class QXmlStreamReader;
class QXmlStreamWriter;

namespace Model {
namespace Persistence {

// The catalogue files: "materials.xml" and "processes.xml" in the folder
// "Kestrum" under the home directory. Reading falls back to the home
// directory itself when that folder is missing; writing creates the folder.
class CatalogueFile
{
public:
    static constexpr const char *folderName = "Kestrum";

    static QString pathForReading(const QString &fileName);
    // Empty when the folder cannot be created (read-only home, HOME is a
    // file ...); the caller then writes nothing.
    static QString pathForWriting(const QString &fileName);

    // Opens the file, checks that its first element is `rootName` and calls
    // `readElement` at every start element after it. False when the file is
    // missing or unreadable, the root is another one, or the XML is broken.
    static bool read(const QString &fileName, const QString &rootName,
                     const std::function<void(QXmlStreamReader &)> &readElement);
    // Writes the declaration, the root element and what `writeElements`
    // writes into it. The old file stays in place until the new one is complete.
    static bool write(const QString &fileName, const QString &rootName,
                      const std::function<void(QXmlStreamWriter &)> &writeElements);
};

} // namespace Persistence
} // namespace Model
