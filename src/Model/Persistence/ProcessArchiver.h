#pragma once

#include "Model/Process/Process.h"

#include <QVector>

#include <cstdint>

class QXmlStreamReader;
class QXmlStreamWriter;

namespace Model {
namespace Persistence {

// Reads and writes one "Process" element of the process catalogue file.
class ProcessArchiver
{
public:
    // Reads the Process element at the reader's current start element and its
    // CompatibleMaterials child. ok is true for a non-zero "process-id", a
    // non-empty "name" and a reader without error.
    static Process::Process loadProcess(QXmlStreamReader &reader, bool &ok);

    // Reads the CompatibleMaterials child of the current element: the ids of
    // its ";"-separated text, skipping empty parts and parts that are not
    // unsigned numbers. Empty when the element has no such child. Never reads
    // past the end of the current element.
    static QVector<std::uint32_t> loadCompatibleMaterials(QXmlStreamReader &reader);

    // Writes one Process element; true when the writer reports no error.
    static bool saveProcess(const Process::Process &process, QXmlStreamWriter &writer);
};

} // namespace Persistence
} // namespace Model
