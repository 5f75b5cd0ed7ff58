#include "Core/Operations/Document/OpenDocumentOperation.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Util/IObserver.h"
#include "Util/Logging.h"

#include <QDir>
#include <QFileInfo>

namespace Core {
namespace Operations {

namespace {

// Shared by every window of the run.
struct OpenMemory
{
    std::shared_ptr<Util::IObserver> observer;
    QString lastFile;
    QString lastFolder; // of the last document opened or saved
};

OpenMemory &openMemory()
{
    static OpenMemory memory;
    return memory;
}

} // namespace

OpenDocumentOperation::OpenDocumentOperation(Workspace *ws)
    : Operation(ws, ProcessTable::operationName(ProcessKey::Open),
                ProcessTable::operationId(ProcessKey::Open))
{
}

OpenDocumentOperation::~OpenDocumentOperation() = default;

void OpenDocumentOperation::setDocumentOpenedObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    openMemory().observer = observer;
}

std::shared_ptr<Util::IObserver> OpenDocumentOperation::getDocumentOpenedObserver()
{
    return openMemory().observer;
}

QString OpenDocumentOperation::rememberedFile() { return openMemory().lastFile; }

QString OpenDocumentOperation::rememberedPlace()
{
    const QString last = openMemory().lastFile;
    if (!last.isEmpty())
        return QFileInfo(last).absoluteFilePath();
    const QString folder = openMemory().lastFolder;
    return folder.isEmpty() ? QDir::currentPath() : folder;
}

void OpenDocumentOperation::remember(const QString &fileName)
{
    openMemory().lastFile = fileName;
    rememberFolderOf(fileName);
}

void OpenDocumentOperation::rememberFolderOf(const QString &fileName)
{
    if (!fileName.isEmpty())
        openMemory().lastFolder = QFileInfo(fileName).absolutePath();
}

QString OpenDocumentOperation::rememberedFolder() { return openMemory().lastFolder; }

void OpenDocumentOperation::forgetRemembered()
{
    openMemory().lastFile.clear();
    openMemory().lastFolder.clear();
}

IDocumentInteraction::FileRequest OpenDocumentOperation::fileRequest()
{
    IDocumentInteraction::FileRequest request;
    request.forSaving = false;
    request.caption = QStringLiteral("Choose file");
    request.folder = rememberedPlace();
    request.filter = QStringLiteral("Kestrum file (*.kst)");
    return request;
}

void OpenDocumentOperation::step()
{
    QString chosen;
    if (auto interaction = std::dynamic_pointer_cast<IDocumentInteraction>(getDocumentOpenedObserver()))
        chosen = interaction->chooseFile(fileRequest());
    else
        qCWarning(lcOperation) << getName() << ": no file chooser available";

    if (chosen.isEmpty()) {
        cancel();
        return;
    }
    remember(chosen);
    fileChosen = true;
    end();
}

void OpenDocumentOperation::end()
{
    if (!fileChosen) {
        cancel();
        return;
    }
    if (auto observer = getDocumentOpenedObserver())
        observer->notify();
    finishOperation();
}

void OpenDocumentOperation::cancel() { cancelOperation(true); }

Model::Persistence::DocumentReader::Result OpenDocumentOperation::loadDocument(
    Workspace &workspace, const QString &fileName, Util::IProgress *progress)
{
    remember(fileName);
    Model::Persistence::DocumentReader reader(workspace.getArchivers());
    reader.setProgress(progress);
    const auto result = reader.load(workspace.getDocument(), fileName);
    const QString warningPrefix = QStringLiteral("WARNING: ");
    for (const QString &warning : result.warnings) {
        const bool marked = warning.startsWith(warningPrefix) || warning.startsWith(QLatin1String("ERROR: "));
        workspace.getConsoleInput().setMessage(marked ? warning : warningPrefix + warning);
    }
    if (result.ok) {
        workspace.markDocumentSaved();
        qCDebug(lcOperation) << "Opened" << fileName << "with" << result.objectsLoaded << "object(s)";
        workspace.notifyOperationEnded();
    }
    return result;
}

} // namespace Operations
} // namespace Core
