#pragma once

#include <QString>

namespace Core {
namespace Operations {

// What the document operations need from the user: a file name from a file
// chooser, and a box when a save or a load fails. The observers of the
// document operations provide it, so the operations show no widgets.
class IDocumentInteraction
{
public:
    struct FileRequest
    {
        bool forSaving = false;
        QString caption;
        QString folder; // a folder, or a file whose folder is opened
        QString filter;
    };

    virtual ~IDocumentInteraction() = default;

    // The chosen file, or an empty string when the chooser was closed without one.
    virtual QString chooseFile(const FileRequest &request) = 0;
    // `detail` says what went wrong underneath; it may be empty.
    virtual void reportError(const QString &title, const QString &text, const QString &detail) = 0;
};

} // namespace Operations
} // namespace Core
