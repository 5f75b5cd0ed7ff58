#include "Core/Operations/Document/SaveDocumentAsOperation.h"

namespace Core {
namespace Operations {

SaveDocumentAsOperation::SaveDocumentAsOperation(Workspace *ws)
    : SaveDocumentOperation(ws, QStringLiteral("Save Document As"), operationId)
{
}

SaveDocumentAsOperation::~SaveDocumentAsOperation() = default;

void SaveDocumentAsOperation::step()
{
    fileName = askFileName();
    end();
}

void SaveDocumentAsOperation::end()
{
    if (!fileName.isEmpty()) {
        save();
        notifyObserver();
    }
    finishOperation();
}

} // namespace Operations
} // namespace Core
