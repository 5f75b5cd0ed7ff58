#pragma once

#include "ProcessData.h"

#include <QList>
#include <QString>
#include <QVariant>

class QIODevice;
class QXmlStreamReader;
class QXmlStreamWriter;

namespace Core {
namespace BatchRun {

// Saves a list of process steps as a process list file (".plst") and loads
// one back. The file is a "Process-List" element with one "Process-Data"
// element per step and one empty "Parameter" element per parameter, whose
// attributes give its name, kind, value text and visibility.
class ProcessListArchiver
{
public:
    explicit ProcessListArchiver(const QList<ProcessData> &processes = {});

    // Writes through a temporary file that replaces the target only when
    // complete, so a failed save leaves an existing list as it was.
    bool saveProcessList(const QString &fileName);
    bool saveProcessList(QIODevice &device);

    // On success appends the steps read to `processes`; on failure leaves it
    // untouched. Fails when the file cannot be opened, has no "Process-List"
    // element or is not well-formed XML.
    bool loadProcessList(const QString &fileName, QList<ProcessData> &processes);
    bool loadProcessList(QIODevice &device, QList<ProcessData> &processes);

    // Reads the "Process-Data" element the reader is on and leaves the reader
    // on the next start element after its parameters. Any other element gives
    // a step of type Unknown without parameters.
    ProcessData readProcessData(QXmlStreamReader &reader);

    // Why the last save or load failed.
    QString errorString() const { return lastError; }

    // The "parameter-type" and "parameter-data" texts of a value, and back.
    // An unknown kind, or a text that its kind cannot read, gives an invalid value.
    static QString kindOf(const QVariant &value);
    static QString textOf(const QVariant &value);
    static QVariant valueOf(const QString &kind, const QString &text);

private:
    void writeProcessData(QXmlStreamWriter &writer, const ProcessData &process);

    QList<ProcessData> processes;
    QString lastError;
};

} // namespace BatchRun
} // namespace Core
