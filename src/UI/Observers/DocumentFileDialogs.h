#pragma once

#include "Core/Operations/Document/IDocumentInteraction.h"

namespace Ui {
namespace Observers {

// The file chooser and the error box of the document operations, as widgets.
// Both come up without a parent, as application-modal dialogs.
class DocumentFileDialogs : public Core::Operations::IDocumentInteraction
{
public:
    QString chooseFile(const FileRequest &request) override;
    void reportError(const QString &title, const QString &text, const QString &detail) override;

    // The window title for a document: "Kestrum  " and the file name, or
    // plain "Kestrum" for a document that has none.
    static QString titleFor(const QString &fileName);
};

} // namespace Observers
} // namespace Ui
