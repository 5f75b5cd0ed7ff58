#include "DocumentReader.h"

#include "ArchiverRegistry.h"
#include "MaterialArchiver.h"
#include "StateTextDevice.h"
#include "XmlReading.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Object.h"
#include "Util/Logging.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QPair>
#include <QXmlStreamReader>

#include <algorithm>
#include <exception>
#include <memory>

namespace Model {
namespace Persistence {

namespace {

QString notADocument(const QXmlStreamReader &xml, const char *expected)
{
    if (xml.hasError())
        return QStringLiteral("The file is not a Kestrum document: %1.").arg(readError(xml));
    if (xml.isStartElement())
        return QStringLiteral("The file is not a Kestrum document: found <%1> where <%2> belongs.")
            .arg(xml.name().toString(), QLatin1String(expected));
    return QStringLiteral("The file is not a Kestrum document: it has no <%1> element.")
        .arg(QLatin1String(expected));
}

// How many renumbered materials a warning names before it says "...".
constexpr int namedMaterials = 3;

} // namespace

struct DocumentReader::Reconciliation
{
    MaterialIdMap idMap;
    // Where the cell text lifted out of the XML stream is read from.
    StateTextDevice *stateText = nullptr;
    // Catalogue materials by name, built at the first clash, so that finding
    // a material an earlier load moved costs one look-up instead of a scan.
    bool indexed = false;
    QHash<QString, QVector<Materials::Material>> byName;
    // File id and catalogue id of every material that moved, in file order.
    QVector<QPair<std::uint32_t, std::uint32_t>> moved;
    QStringList movedNames;
    int unplaced = 0;
    QString firstUnplaced;
};

QString DocumentReader::noFreeIdWarning(int count, const QString &firstName)
{
    return QStringLiteral("ERROR: %1 material(s) of the document (the first is \"%2\") could not be "
                          "added: every new material id from %3 to %4 is taken. Their cells were "
                          "loaded as empty cells.")
        .arg(count)
        .arg(firstName)
        .arg(Materials::MaterialFactory::firstNewId)
        .arg(Materials::MaterialFactory::lastNewId);
}

QString DocumentReader::errorTitle()
{
    return QStringLiteral("Error reading from file");
}

QString DocumentReader::materialWarning()
{
    return QStringLiteral(
        "WARNING: There was an error loading a material. This may alter the loaded cell volume.");
}

DocumentReader::DocumentReader(ArchiverRegistry &registry,
                               std::shared_ptr<Materials::MaterialFactory> catalogue)
    : registry(registry)
    , catalogue(catalogue ? std::move(catalogue) : Materials::MaterialFactory::getInstance())
    , chunkBytes(StateTextDevice::defaultChunkBytes)
{
}

DocumentReader::Result DocumentReader::load(Document &document, const QString &fileName)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(fileName);
    // Read as bytes: the XML reader takes care of line ends itself, and the
    // cell text is read back from where it lies in the file.
    if (!file.open(QIODevice::ReadOnly)) {
        Result result;
        result.errorMessage = QStringLiteral("Unable to open %1: %2.").arg(fileName, file.errorString());
        qCWarning(lcPersistence) << result.errorMessage;
        return result;
    }
    Result result = read(document, file);
    if (result.ok)
        document.setFileName(fileName);
    qCDebug(lcPersistence) << "Time to load" << fileName << ":" << timer.elapsed() << "ms";
    return result;
}

DocumentReader::Result DocumentReader::read(Document &document, QIODevice &device)
{
    Result result;
    Reconciliation state;
    std::unique_ptr<StateTextDevice> split;
    if (!device.isSequential()) {
        split = std::make_unique<StateTextDevice>(device, chunkBytes);
        split->setProgress(progress);
    }
    QXmlStreamReader xml(split ? static_cast<QIODevice *>(split.get()) : &device);
    state.stateText = split.get();

    if (!nextStartElement(xml) || xml.name() != QLatin1String("Document")) {
        result.errorMessage = notADocument(xml, "Document");
        return result;
    }
    if (!nextStartElement(xml) || xml.name() != QLatin1String("Header")) {
        result.errorMessage = notADocument(xml, "Header");
        return result;
    }
    // The version is the Header's first attribute; a Header without one is
    // read as version 0, which reads like version 1.
    const QXmlStreamAttributes header = xml.attributes();
    if (!header.isEmpty())
        result.version = header.first().value().toUInt();
    result.ok = true;

    while (nextStartElement(xml)) {
        if (xml.name() == QLatin1String("Object"))
            readObject(xml, state, document, result);
        else if (xml.name() == QLatin1String("Material"))
            readMaterial(xml, state, result);
        // Any other element is passed over; its children are still visited.
    }

    if (xml.hasError()) {
        result.warnings << QStringLiteral("The document breaks off in line %1 (%2); what came "
                                          "before was loaded.")
                               .arg(xml.lineNumber())
                               .arg(xml.errorString());
    }
    reportMaterials(state, result);
    for (const QString &warning : qAsConst(result.warnings))
        qCWarning(lcPersistence).noquote() << warning;
    return result;
}

void DocumentReader::readObject(QXmlStreamReader &xml, Reconciliation &state, Document &document,
                                Result &result)
{
    const qint64 line = xml.lineNumber();
    const QStringRef typeText = xml.attributes().value(QLatin1String("object-type"));
    bool isNumber = false;
    const std::uint32_t type = typeText.toUInt(&isNumber);
    const auto archiver = isNumber ? registry.getArchiver(type) : nullptr;
    if (!archiver) {
        result.warnings << QStringLiteral("The object of type \"%1\" in line %2 is of no known "
                                          "kind and was passed over.")
                               .arg(typeText.toString())
                               .arg(line);
        xml.skipCurrentElement();
        return;
    }

    archiver->setReader(&xml);
    archiver->setMaterialIdMap(&state.idMap);
    archiver->setStateText(state.stateText);
    std::shared_ptr<Object> object;
    QString error;
    try {
        object = archiver->read();
        if (!object)
            error = archiver->errorString();
    } catch (const std::exception &e) {
        error = QStringLiteral("The object in line %1 could not be read (%2) and was passed over.")
                    .arg(line)
                    .arg(QString::fromLocal8Bit(e.what()));
    }
    archiver->setReader(nullptr);
    archiver->setMaterialIdMap(nullptr);
    archiver->setStateText(nullptr);

    if (object) {
        document.addObject(object);
        ++result.objectsLoaded;
        const ObjectArchiver::CellCounts counts = archiver->cellCounts();
        const QString which = QStringLiteral("The cell volume in line %1 (%2 cells)").arg(line).arg(counts.cells);
        if (counts.brokenOff)
            result.warnings << QStringLiteral("%1 breaks off after %2 of its cells (%3); the other %4 were "
                                              "loaded as empty cells.")
                                   .arg(which).arg(counts.entries).arg(counts.breakReason)
                                   .arg(counts.cells - std::min(counts.entries, counts.cells));
        else if (counts.entries < counts.cells)
            result.warnings << QStringLiteral("%1 lists only %2 cells in its State; the other %3 were "
                                              "loaded as empty cells.")
                                   .arg(which).arg(counts.entries).arg(counts.cells - counts.entries);
        else if (counts.entries > counts.cells)
            result.warnings << QStringLiteral("%1 lists %2 cells in its State; the %3 beyond the last "
                                              "cell were ignored.")
                                   .arg(which).arg(counts.entries).arg(counts.entries - counts.cells);
        if (counts.unreadable > 0)
            result.warnings << QStringLiteral("%1 holds %2 State entries that are no material ids; "
                                              "those cells were loaded as empty cells.")
                                   .arg(which).arg(counts.unreadable);
    } else {
        result.warnings << (error.isEmpty()
                                ? QStringLiteral("The object in line %1 could not be read and was "
                                                 "passed over.").arg(line)
                                : error);
    }
}

void DocumentReader::readMaterial(QXmlStreamReader &xml, Reconciliation &state, Result &result)
{
    bool ok = false;
    Materials::Material material = MaterialArchiver::loadMaterial(xml, ok);
    if (!ok) {
        result.warnings << materialWarning();
        return;
    }

    const std::uint32_t fileId = material.getId();
    const Materials::Material known = catalogue->getMaterial(fileId);
    if (known.getId() == 0) {
        catalogue->addMaterial(material);
        state.idMap[fileId] = fileId;
        if (state.indexed)
            state.byName[material.getName()].append(material);
        return;
    }
    if (known == material) {
        state.idMap[fileId] = fileId;
        return;
    }

    // The catalogue gives this id to another material: the file's one moves
    // to another id, and its cells follow it. A material that an earlier load
    // already moved is found again, so loading the same file twice gives the
    // same ids and adds nothing more to the catalogue.
    std::uint32_t newId = findMoved(material, state);
    if (newId == 0) {
        newId = catalogue->addUnderNewId(material);
        if (newId == 0) {
            // No id is left: its cells must not pass for another material's.
            if (state.unplaced++ == 0)
                state.firstUnplaced = material.getName();
            state.idMap[fileId] = 0;
            return;
        }
        material.setId(newId);
        state.byName[material.getName()].append(material);
    }
    state.idMap[fileId] = newId;
    state.moved.append(qMakePair(fileId, newId));
    if (state.movedNames.size() < namedMaterials)
        state.movedNames << material.getName();
    qCDebug(lcPersistence) << "Material" << material.getName() << "of the file moves from id"
                           << fileId << "to" << newId;
}

std::uint32_t DocumentReader::findMoved(const Materials::Material &material, Reconciliation &state)
{
    if (!state.indexed) {
        for (const Materials::Material &entry : catalogue->getMaterials())
            state.byName[entry.getName()].append(entry);
        state.indexed = true;
    }
    const auto it = state.byName.constFind(material.getName());
    if (it == state.byName.constEnd())
        return 0;
    for (const Materials::Material &candidate : it.value()) {
        Materials::Material moved = material;
        moved.setId(candidate.getId());
        if (moved == candidate && catalogue->getMaterial(candidate.getId()) == candidate)
            return candidate.getId();
    }
    return 0;
}

void DocumentReader::reportMaterials(const Reconciliation &state, Result &result)
{
    if (!state.moved.isEmpty()) {
        QStringList named;
        for (int i = 0; i < state.movedNames.size(); ++i)
            named << QStringLiteral("\"%1\" %2 -> %3")
                         .arg(state.movedNames[i])
                         .arg(state.moved[i].first)
                         .arg(state.moved[i].second);
        if (state.moved.size() > named.size())
            named << QStringLiteral("...");
        result.warnings << QStringLiteral("%1 material(s) of the document have ids that the catalogue "
                                          "gives to other materials and were renumbered, their cells "
                                          "with them: %2.")
                               .arg(state.moved.size())
                               .arg(named.join(QStringLiteral(", ")));
    }
    if (state.unplaced > 0)
        result.warnings << noFreeIdWarning(state.unplaced, state.firstUnplaced);
}

} // namespace Persistence
} // namespace Model
