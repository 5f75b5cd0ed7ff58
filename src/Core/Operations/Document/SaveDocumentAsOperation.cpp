#include "Core/Operations/Document/SaveDocumentAsOperation.h"

#include "Core/ProcessTable.h"

namespace Core {
namespace Operations {

SaveDocumentAsOperation::SaveDocumentAsOperation(Workspace *ws)
    : SaveDocumentOperation(ws, ProcessTable::operationName(ProcessKey::SaveAs),
                            ProcessTable::operationId(ProcessKey::SaveAs))
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
