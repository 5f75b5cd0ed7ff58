#pragma once

#include <QStringList>

namespace Model {

// The sentences of the material and process catalogues whose files could not
// be read (loading both first, when nothing has used them yet): what each
// front end tells the user once, the window in a message box and its console,
// kestrum-batch on standard error, Python as a warning. Empty when both loaded.
QStringList catalogueProblems();

} // namespace Model
