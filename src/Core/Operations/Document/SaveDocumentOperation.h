#pragma once

#include "Core/Operations/Document/IDocumentInteraction.h"
#include "Core/Operations/Lifecycle/Operation.h"

#include <QString>

#include <cstdint>

namespace Core {
namespace Operations {

// Saves the document to its file, asking for one first when the document has
// none yet. Not undoable. The observer gives the file chooser and the error
// box, and is told after every save attempt (the window title follows the
// document's file name).
class SaveDocumentOperation : public Operation
{
public:

    explicit SaveDocumentOperation(Workspace *workspace);
    ~SaveDocumentOperation() override;

    // Takes the document's file name, asks for one when there is none, then ends.
    void step() override;
    // Without a file name it ends silently as cancelled; otherwise it saves.
    void end() override;
    // Silent.
    void cancel() override;

    QString getFileName() const { return fileName; }

    // Caption, starting folder and filter of the file chooser.
    static IDocumentInteraction::FileRequest fileRequest();

protected:
    SaveDocumentOperation(Workspace *workspace, const QString &name, std::uint32_t id);

    // Asks the observer for a file name; empty when it cannot ask or the user gave none.
    QString askFileName() const;
    // Writes the document to `fileName`. A failure leaves the previous file as
    // it was and is reported in the "Error writing to file" box.
    bool save();

    QString fileName;
};

} // namespace Operations
} // namespace Core
