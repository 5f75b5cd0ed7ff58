#pragma once

#include <QString>

class QXmlStreamReader;

namespace Model {
namespace Persistence {

// Moves the reader to the next start element, wherever it is; false at the
// end of the input or at an error, which ends the input just the same.
// Shared by every reader of the program's XML files.
bool nextStartElement(QXmlStreamReader &reader);

// How a file that fails to parse is described to the user, the same for
// documents and process lists: the parser's message and the line
// ("Premature end of document. (line 12)"); empty without an error.
QString readError(const QXmlStreamReader &reader);

} // namespace Persistence
} // namespace Model
