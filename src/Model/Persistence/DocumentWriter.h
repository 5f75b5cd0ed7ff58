#pragma once

#include <QString>

#include <memory>

class QIODevice;

namespace Model {

class Document;

namespace Materials {
class MaterialFactory;
}

namespace Persistence {

class ArchiverRegistry;

// Writes a whole document: a "Document" element holding the "Header", every
// catalogue material and one "Object" element per scene object, layer by
// layer. Saving goes through a temporary file beside the target that replaces
// it only when everything was written, so a failed save leaves the previous
// file as it was.
class DocumentWriter
{
public:
    struct Result
    {
        bool ok = false;
        // errorText() on failure; detail says what went wrong underneath.
        QString errorMessage;
        QString detail;
        int objectsWritten = 0;
        int objectsSkipped = 0; // objects of a type without archiver
    };

    // Title and text of the message box that reports a failed save.
    static QString errorTitle();
    static QString errorText();

    explicit DocumentWriter(ArchiverRegistry &registry,
                            std::shared_ptr<Materials::MaterialFactory> catalogue = nullptr);

    // Saves to the file and, on success, makes it the document's file name.
    Result save(Document &document, const QString &fileName);
    // Writes the XML to an open device.
    Result write(Document &document, QIODevice &device);

private:
    ArchiverRegistry &registry;
    std::shared_ptr<Materials::MaterialFactory> catalogue;
};

} // namespace Persistence
} // namespace Model
