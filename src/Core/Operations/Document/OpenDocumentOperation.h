#pragma once

#include "Core/Operations/Document/IDocumentInteraction.h"
#include "Model/Persistence/DocumentReader.h"
#include "Core/Operations/Lifecycle/Operation.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace Util {
class IObserver;
class IProgress;
}

namespace Core {
namespace Operations {

// Asks for a document file and hands it to the document-opened observer,
// which opens it in a new main window; the current window stays as it is.
// Not undoable. The observer sits in one slot shared by all open operations.
class OpenDocumentOperation : public Operation
{
public:

    explicit OpenDocumentOperation(Workspace *workspace);
    ~OpenDocumentOperation() override;

    // Asks for a file; a chosen one becomes the remembered file and the
    // operation ends, otherwise it is cancelled.
    void step() override;
    // Tells the document-opened observer, then finishes.
    void end() override;
    // Silent.
    void cancel() override;

    // The class-wide observer: it chooses the file and opens the new window.
    static void setDocumentOpenedObserver(const std::shared_ptr<Util::IObserver> &observer);
    static std::shared_ptr<Util::IObserver> getDocumentOpenedObserver();

    // The last file opened in this run, empty before the first one.
    static QString rememberedFile();
    // Where the next file chooser starts: the last file opened, or the
    // current folder before the first one.
    static QString rememberedPlace();
    static void remember(const QString &fileName);
    // The folder of the last document opened or saved in this run (empty
    // before the first); the document choosers start there.
    static QString rememberedFolder();
    static void rememberFolderOf(const QString &fileName);
    static void forgetRemembered();

    static IDocumentInteraction::FileRequest fileRequest();

    // Loads the file into the workspace's document: remembers it, reconciles
    // its materials with the catalogue, writes a console line for everything
    // passed over and, when the file was a document, makes it the document's
    // file name and tells the operation-ended observers (the view redraws).
    // A failure is for the caller to report, with its errorMessage. The
    // progress listener, when given, follows the read.
    static Model::Persistence::DocumentReader::Result loadDocument(
        Workspace &workspace, const QString &fileName, Util::IProgress *progress = nullptr);

private:
    bool fileChosen = false;
};

} // namespace Operations
} // namespace Core
