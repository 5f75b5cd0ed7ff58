#pragma once

#include "ObjectArchiver.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class QIODevice;
class QXmlStreamReader;

namespace Util {
class IProgress;
}

namespace Model {

class Document;

namespace Materials {
class Material;
class MaterialFactory;
}

namespace Persistence {

class ArchiverRegistry;

// Reads a document into the current layer of a Document. The cell text of
// the volumes goes from the file into their cells in bounded chunks
// (StateTextDevice), so a document of any size the memory holds opens. The materials it
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
    // Reads from an open device. One that cannot seek is read through the
    // XML reader alone, which holds each volume's cell text whole.
    Result read(Document &document, QIODevice &device);

    // Follows load() and read(): bytes worked through out of a total.
    void setProgress(Util::IProgress *listener) { progress = listener; }
    // Bytes of cell text read at a time (tests make it small).
    void setChunkBytes(qint64 bytes) { chunkBytes = bytes; }

    // The warning for materials that could not be given an id of their own
    // (the range of new ids is full); `count` of them, the first named.
    static QString noFreeIdWarning(int count, const QString &firstName);

private:
    struct Reconciliation;

    // Both are given the state of the read in progress: every read starts
    // with an empty id map, so ids of an earlier file never leak into this one.
    void readObject(QXmlStreamReader &xml, Reconciliation &state, Document &document,
                    Result &result);
    void readMaterial(QXmlStreamReader &xml, Reconciliation &state, Result &result);
    // A material equal to `material` but for its id, already in the
    // catalogue (an earlier load moved it there); 0 when there is none.
    std::uint32_t findMoved(const Materials::Material &material, Reconciliation &state);
    static void reportMaterials(const Reconciliation &state, Result &result);

    ArchiverRegistry &registry;
    std::shared_ptr<Materials::MaterialFactory> catalogue;
    Util::IProgress *progress = nullptr;
    qint64 chunkBytes;
};

} // namespace Persistence
} // namespace Model
