#pragma once

class QXmlStreamReader;

namespace Model {
namespace Persistence {

// Moves the reader to the next start element, wherever it is; false at the
// end of the input or at an error, which ends the input just the same.
// Shared by every reader of the program's XML files.
bool nextStartElement(QXmlStreamReader &reader);

} // namespace Persistence
} // namespace Model
