#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <map>

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
    // What an editor says when its changes to the `catalogue` ("material
    // catalogue") in `fileName` were not saved: they apply until Kestrum
    // ends. `problem` is the unreadable file's sentence, when that was why.
    static QString unsavedChanges(const QString &catalogue, const QString &fileName, const QString &problem);

    // What reading a catalogue file found. A missing or empty file holds
    // nothing to lose; a damaged one (unopenable, another root element,
    // broken XML) holds the user's entries and is never written over.
    struct Reading
    {
        enum Status { Loaded, Missing, Damaged };
        Status status = Missing;
        QString path;   // the file read, in native separators
        QString reason; // for Damaged: "line 7, column 23: <the parser's message>"

        bool loaded() const { return status == Loaded; }
        // The sentence every front end shows for a damaged file, empty
        // otherwise. `catalogue` names it ("material catalogue"), `builtIn`
        // what replaces it ("built-in materials").
        QString problem(const QString &catalogue, const QString &builtIn) const;
        // True when this reading found `fileName` damaged and it is still the
        // file a save would replace: the save must leave it alone.
        bool keeps(const QString &fileName) const;
    };

    // Opens the file, checks that its first element is `rootName` and calls
    // `readElement` at every start element after it.
    static Reading read(const QString &fileName, const QString &rootName,
                        const std::function<void(QXmlStreamReader &)> &readElement);
    // Writes the declaration, the root element and what `writeElements`
    // writes into it. The old file stays in place until the new one is complete.
    static bool write(const QString &fileName, const QString &rootName,
                      const std::function<void(QXmlStreamWriter &)> &writeElements);

    // The load and save of a catalogue of records keyed by id (materials,
    // processes). Loading reads every element that `load` accepts into a map
    // of its own and adds it to `records` only when the whole file was read,
    // a later element replacing an earlier one of the same id.
    template <typename Record>
    static Reading readRecords(const QString &fileName, const QString &rootName,
                               Record (*load)(QXmlStreamReader &, bool &),
                               std::map<std::uint32_t, Record> &records)
    {
        std::map<std::uint32_t, Record> loaded;
        const Reading reading = read(fileName, rootName, [&loaded, load](QXmlStreamReader &reader) {
            bool accepted = false;
            const Record record = load(reader, accepted);
            if (accepted)
                loaded[record.getId()] = record;
        });
        if (reading.loaded()) {
            for (const auto &entry : loaded)
                records[entry.first] = entry.second;
        }
        return reading;
    }

    // Writes nothing (false) while `lastRead` keeps the file as damaged.
    template <typename Record>
    static bool writeRecords(const QString &fileName, const QString &rootName,
                             bool (*save)(const Record &, QXmlStreamWriter &),
                             const std::map<std::uint32_t, Record> &records, const Reading &lastRead)
    {
        if (refuseToReplace(fileName, lastRead))
            return false;
        return write(fileName, rootName, [&records, save](QXmlStreamWriter &writer) {
            for (const auto &entry : records)
                save(entry.second, writer);
        });
    }

private:
    static bool refuseToReplace(const QString &fileName, const Reading &lastRead);
};

} // namespace Persistence
} // namespace Model
