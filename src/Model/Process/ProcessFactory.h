#pragma once

#include "Process.h"
#include "Model/Persistence/CatalogueFile.h"

#include <QMutex>
#include <QVector>

#include <cstdint>
#include <map>
#include <memory>

namespace Model {
namespace Process {

// The process-wide process catalogue, mirrored in "processes.xml" in the
// "Kestrum" folder under the home directory. Every call holds the one mutex
// for its whole run and hands out copies.
class ProcessFactory
{
public:
    static std::shared_ptr<ProcessFactory> getInstance();

    // The first process, in ascending id order, with exactly this name
    // (case-sensitive); the default Process when there is none.
    Process getProcess(const QString &name);
    Process getProcess(std::uint32_t id);
    QVector<Process> getProcesses();
    // Stores or replaces the process under its id; id 0 is refused.
    bool addProcess(const Process &process);
    void loadDefaultProcesses();
    // Adds the processes of "processes.xml"; false (catalogue unchanged) when
    // the file is missing, unreadable, not a process catalogue or malformed.
    // Remembers what it found for loadProblem() and saveProcesses().
    bool loadProcesses();
    // Writes the whole file or nothing; false when it could not be written,
    // and always while the file the last load found unreadable is in place:
    // the user's entries in it are never lost to a save.
    bool saveProcesses();
    // Why the file could not be read at the last load, naming the file and
    // the line, and that it is kept while the built-in table serves this run;
    // empty when it was read, or was missing (or empty) and so written anew.
    QString loadProblem();

    // The start-up sequence: empty the catalogue, load the file, or install
    // the built-in table and write it to a missing file (never over an
    // unreadable one: see loadProblem). Tests call it again after pointing HOME
    // elsewhere.
    void initialise();

    ProcessFactory(const ProcessFactory &) = delete;
    ProcessFactory &operator=(const ProcessFactory &) = delete;

private:
    ProcessFactory() = default;

    QMutex mutex;
    Persistence::CatalogueFile::Reading lastRead;
    std::map<std::uint32_t, Process> processes;
};

} // namespace Process
} // namespace Model
