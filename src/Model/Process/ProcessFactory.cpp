#include "ProcessFactory.h"

#include "BuiltInProcessNames.h"
#include "Model/Persistence/CatalogueFile.h"
#include "Model/Persistence/ProcessArchiver.h"
#include "Util/Logging.h"

#include <QMutexLocker>

#include <initializer_list>

namespace Model {
namespace Process {

namespace {

// Plain characters: other start-up code may reach the catalogue before this
// file's dynamic initialisers have run.
const char fileName[] = "processes.xml";


} // namespace

// Built and loaded on first use, never during static initialisation: a
// program that only prints its help touches no file.
std::shared_ptr<ProcessFactory> ProcessFactory::getInstance()
{
    static const std::shared_ptr<ProcessFactory> instance = [] {
        std::shared_ptr<ProcessFactory> factory(new ProcessFactory);
        factory->initialise();
        return factory;
    }();
    return instance;
}

Process ProcessFactory::getProcess(const QString &name)
{
    QMutexLocker locker(&mutex);
    for (const auto &entry : processes) {
        if (entry.second.getName() == name)
            return entry.second;
    }
    return Process();
}

Process ProcessFactory::getProcess(std::uint32_t id)
{
    QMutexLocker locker(&mutex);
    const auto it = processes.find(id);
    return it == processes.end() ? Process() : it->second;
}

QVector<Process> ProcessFactory::getProcesses()
{
    QMutexLocker locker(&mutex);
    QVector<Process> all;
    all.reserve(int(processes.size()));
    for (const auto &entry : processes)
        all.append(entry.second);
    return all;
}

bool ProcessFactory::addProcess(const Process &process)
{
    if (process.getId() == 0)
        return false;
    QMutexLocker locker(&mutex);
    processes[process.getId()] = process;
    return true;
}

void ProcessFactory::loadDefaultProcesses()
{
    using Ids = QVector<std::uint32_t>;
    using Names = BuiltInProcessNames;
    const Ids filmMaterials{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    const Ids metals{4, 5, 6, 7, 8, 9, 10};
    const std::initializer_list<Process> builtIn = {
        Process(QString::fromLatin1(Names::siWetEtching), 1, Ids{1}),
        Process(QString::fromLatin1(Names::drie), 2, Ids{1}),
        Process(QString::fromLatin1(Names::cvd), 3, Ids{3, 16}),
        Process(QString::fromLatin1(Names::pvd), 4, metals),
        Process(QString::fromLatin1(Names::filmEtching), 5, filmMaterials),
        Process(QString::fromLatin1(Names::photolithography), 6, filmMaterials),
        Process(QString::fromLatin1(Names::planarization), 7),
        Process(QString::fromLatin1(Names::spinCoating), 8, Ids{11, 12, 13}),
        Process(QString::fromLatin1(Names::isotropicDeposition), 9, Ids{3, 4, 5, 6, 7, 8, 9, 10}),
        Process(QString::fromLatin1(Names::isotropicEtching), 10,
                Ids{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
        Process(QString::fromLatin1(Names::electroplating), 11, metals),
        Process(QString::fromLatin1(Names::simpleSiOxidation), 12, Ids{1, 14, 15}),
    };

    QMutexLocker locker(&mutex);
    processes.clear();
    for (const Process &process : builtIn)
        processes[process.getId()] = process;
}

bool ProcessFactory::loadProcesses()
{
    QMutexLocker locker(&mutex);
    lastRead = Persistence::CatalogueFile::readRecords(QString::fromLatin1(fileName), QStringLiteral("Processes"),
                                                       &Persistence::ProcessArchiver::loadProcess, processes);
    return lastRead.loaded();
}

bool ProcessFactory::saveProcesses()
{
    QMutexLocker locker(&mutex);
    return Persistence::CatalogueFile::writeRecords(QString::fromLatin1(fileName), QStringLiteral("Processes"),
                                                    &Persistence::ProcessArchiver::saveProcess, processes, lastRead);
}

QString ProcessFactory::loadProblem()
{
    QMutexLocker locker(&mutex);
    return lastRead.problem(QStringLiteral("process catalogue"), QStringLiteral("built-in processes"));
}

void ProcessFactory::initialise()
{
    {
        QMutexLocker locker(&mutex);
        processes.clear();
    }
    if (loadProcesses())
        return;
    // A file that could not be read stays as it is (saveProcesses refuses):
    // the built-in table serves this run only.
    loadDefaultProcesses();
    saveProcesses();
}

} // namespace Process
} // namespace Model
