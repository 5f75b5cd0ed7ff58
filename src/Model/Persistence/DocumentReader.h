#pragma once

#include "ObjectArchiver.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class QIODevice;
class QXmlStreamReader;

namespace Model {

class Document;

namespace Materials {
class MaterialFactory;
}

namespace Persistence {

class ArchiverRegistry;

// Reads a document into the current layer of a Document. The materials it
// carries are reconciled with the catalogue: an equal one is used as it is,
// one whose id the catalogue gives to a different material gets a new id
// (and the cells follow it), an unknown one is added. Nothing the file holds
// makes the reader crash: an unusable object is passed over with a warning,
// and a file that breaks off keeps what was read before the break.
class DocumentReader
{
public:
    struct Result
    {
        // False only when the file cannot be opened or is no document.
        bool ok = false;
        QString errorMessage;
        // One line per thing passed over or cut short, for the console.
        QStringList warnings;
        std::uint32_t version = 0;
        int objectsLoaded = 0;
    };

    // Title of the message box that reports a failed load.
    static QString errorTitle();
    // The console line for a Material element that cannot be read.
    static QString materialWarning();

    explicit DocumentReader(ArchiverRegistry &registry,
                            std::shared_ptr<Materials::MaterialFactory> catalogue = nullptr);

    // Loads the file and, on success, makes it the document's file name.
    Result load(Document &document, const QString &fileName);
    // Reads from an open device.
    Result read(Document &document, QIODevice &device);

private:
    // Both are given the id map of the read in progress: every read starts
    // with an empty one, so ids of an earlier file never leak into this one.
    void readObject(QXmlStreamReader &xml, MaterialIdMap &idMap, Document &document,
                    Result &result);
    void readMaterial(QXmlStreamReader &xml, MaterialIdMap &idMap, Result &result);

    ArchiverRegistry &registry;
    std::shared_ptr<Materials::MaterialFactory> catalogue;
};

} // namespace Persistence
} // namespace Model
