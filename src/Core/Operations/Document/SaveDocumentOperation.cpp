#include "Core/Operations/Document/SaveDocumentOperation.h"

#include "Core/Operations/Document/OpenDocumentOperation.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Util/IObserver.h"
#include "Util/Logging.h"

#include <QDir>

namespace Core {
namespace Operations {

SaveDocumentOperation::SaveDocumentOperation(Workspace *ws)
    : SaveDocumentOperation(ws, ProcessTable::operationName(ProcessKey::Save),
                            ProcessTable::operationId(ProcessKey::Save))
{
}

SaveDocumentOperation::SaveDocumentOperation(Workspace *ws, const QString &name, std::uint32_t id)
    : Operation(ws, name, id)
{
}

SaveDocumentOperation::~SaveDocumentOperation() = default;

IDocumentInteraction::FileRequest SaveDocumentOperation::fileRequest()
{
    IDocumentInteraction::FileRequest request;
    request.forSaving = true;
    request.caption = QStringLiteral("Choose location");
    const QString folder = OpenDocumentOperation::rememberedFolder();
    request.folder = folder.isEmpty() ? QDir::homePath() : folder;
    request.filter = QStringLiteral("Kestrum file (*.kst)");
    return request;
}

void SaveDocumentOperation::step()
{
    fileName = workspace->getDocument().getFileName();
    if (fileName.isEmpty())
        fileName = askFileName();
    end();
}

void SaveDocumentOperation::end()
{
    if (fileName.isEmpty()) {
        cancelOperation(true);
        return;
    }
    save();
    notifyObserver();
    finishOperation();
}

void SaveDocumentOperation::cancel() { cancelOperation(true); }

QString SaveDocumentOperation::askFileName() const
{
    auto interaction = std::dynamic_pointer_cast<IDocumentInteraction>(getObserver());
    if (!interaction) {
        qCWarning(lcOperation) << getName() << ": no file chooser available";
        return QString();
    }
    return interaction->chooseFile(fileRequest());
}

bool SaveDocumentOperation::save()
{
    Model::Persistence::DocumentWriter writer(workspace->getArchivers());
    const auto result = writer.save(workspace->getDocument(), fileName);
    if (!result.ok) {
        qCWarning(lcOperation) << getName() << ": cannot save" << fileName << ":" << result.detail;
        if (auto interaction = std::dynamic_pointer_cast<IDocumentInteraction>(getObserver())) {
            interaction->reportError(Model::Persistence::DocumentWriter::errorTitle(),
                Model::Persistence::DocumentWriter::errorText(),
                QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(fileName), result.detail));
        }
        return false;
    }
    workspace->markDocumentSaved();
    OpenDocumentOperation::rememberFolderOf(fileName);
    // Objects of a kind that has no file form would otherwise vanish unnoticed
    // on the next open.
    if (result.objectsSkipped > 0) {
        message(QStringLiteral(
            ": WARNING: %1 object(s) of a kind that cannot be saved were left out of the file.")
                    .arg(result.objectsSkipped));
    }
    return true;
}

} // namespace Operations
} // namespace Core
