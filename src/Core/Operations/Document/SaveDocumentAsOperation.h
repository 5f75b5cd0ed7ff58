#pragma once

#include "Core/Operations/Document/SaveDocumentOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Saves the document to a file the user always chooses anew; the document
// then carries that file name. Closing the chooser without a name ends the
// operation without saving.
class SaveDocumentAsOperation : public SaveDocumentOperation
{
public:

    explicit SaveDocumentAsOperation(Workspace *workspace);
    ~SaveDocumentAsOperation() override;

    void step() override;
    void end() override;
};

} // namespace Operations
} // namespace Core
