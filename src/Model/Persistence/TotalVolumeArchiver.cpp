#include "TotalVolumeArchiver.h"

#include "StateTextDevice.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/DecimalText.h"
#include "Util/Logging.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace Model {
namespace Persistence {

using Automaton::TotalVolume;
using Automaton::Voxel;

namespace {

// Cells per piece of State text handed to the XML writer: large enough to
// keep the per-call cost low, small enough to need no big buffer.
constexpr std::size_t cellsPerChunk = 16384;
// Ten digits for the largest id and a blank.
constexpr std::size_t charsPerCell = 11;

std::uint32_t readCount(const QXmlStreamAttributes &attributes, const char *name)
{
    bool ok = false;
    const std::uint32_t value = attributes.value(QLatin1String(name)).toUInt(&ok);
    return ok ? value : 0;
}

// A length attribute; the fallback stands in for an absent, unreadable or
// non-finite value, and for a cell size that is not positive.
double readLength(const QXmlStreamAttributes &attributes, const char *name, double fallback,
                  bool positive)
{
    bool ok = false;
    const double value = attributes.value(QLatin1String(name)).toDouble(&ok);
    if (!ok || !std::isfinite(value) || (positive && value <= 0.0))
        return fallback;
    return value;
}

// Turns the State text into material ids while it streams past: tokens are
// separated by white space, a token of decimal digits that fits 32 bits is an
// id, anything else an empty cell. A token may be split across several pieces
// of character data, given as UTF-16 by the XML reader or as the file's bytes
// (digits and blanks are the same in both; any other byte or character makes
// its token unreadable either way).
class StateParser
{
public:
    StateParser(Voxel *cells, std::size_t cellCount, const MaterialIdMap *map)
        : cells(cells), cellCount(cellCount), map(map)
    {
    }

    void feed(const QStringRef &text)
    {
        const auto *p = reinterpret_cast<const ushort *>(text.unicode());
        feedRange(p, p + text.size());
    }

    void feed(const char *bytes, std::size_t size)
    {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes);
        feedRange(p, p + size);
    }

    void finish()
    {
        if (inToken)
            storeToken();
    }

    std::size_t tokensRead() const { return tokenCount; }
    std::size_t badTokens() const { return badCount; }

private:
    template <class Char>
    void feedRange(const Char *p, const Char *const end)
    {
        for (; p != end; ++p) {
            const unsigned c = *p;
            if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
                if (inToken)
                    storeToken();
            } else if (c >= '0' && c <= '9') {
                if (!inToken) {
                    inToken = true;
                    valid = true;
                    value = 0;
                }
                if (valid) {
                    value = value * 10 + (c - '0');
                    if (value > std::numeric_limits<std::uint32_t>::max())
                        valid = false;
                }
            } else {
                inToken = true;
                valid = false;
            }
        }
    }

    void storeToken()
    {
        inToken = false;
        std::uint32_t id = 0;
        if (valid)
            id = translate(static_cast<std::uint32_t>(value));
        else
            ++badCount;
        if (tokenCount < cellCount)
            cells[tokenCount].material = id;
        ++tokenCount;
    }

    // Neighbouring cells mostly share a material, so the last lookup is kept.
    std::uint32_t translate(std::uint32_t id)
    {
        if (!map || map->empty())
            return id;
        if (haveLast && id == lastId)
            return lastMapped;
        const auto it = map->find(id);
        lastId = id;
        lastMapped = it == map->end() ? id : it->second;
        haveLast = true;
        return lastMapped;
    }

    Voxel *cells;
    std::size_t cellCount;
    const MaterialIdMap *map;
    std::size_t tokenCount = 0;
    std::size_t badCount = 0;
    std::uint64_t value = 0;
    bool inToken = false;
    bool valid = false;
    bool haveLast = false;
    std::uint32_t lastId = 0;
    std::uint32_t lastMapped = 0;
};

} // namespace

QString TotalVolumeArchiver::formatLength(double value)
{
    return QString::number(value, 'g', 6);
}

bool TotalVolumeArchiver::write(const std::shared_ptr<Object> &object)
{
    const auto volume = std::dynamic_pointer_cast<TotalVolume>(object);
    if (!volume || !writer)
        return false;

    writer->writeStartElement(QStringLiteral("Object"));
    writer->writeAttribute(QStringLiteral("object-type"), QString::number(TotalVolume::objectType));
    writer->writeAttribute(QStringLiteral("size-x"), QString::number(volume->getSizeX()));
    writer->writeAttribute(QStringLiteral("size-y"), QString::number(volume->getSizeY()));
    writer->writeAttribute(QStringLiteral("size-z"), QString::number(volume->getSizeZ()));
    writer->writeAttribute(QStringLiteral("cellsize-x"), formatLength(volume->getCellSizeX()));
    writer->writeAttribute(QStringLiteral("cellsize-y"), formatLength(volume->getCellSizeY()));
    writer->writeAttribute(QStringLiteral("cellsize-z"), formatLength(volume->getCellSizeZ()));

    writer->writeStartElement(QStringLiteral("State"));
    writeState(*volume);
    writer->writeEndElement();

    const Util::Vector3D position = volume->getPosition();
    writer->writeEmptyElement(QStringLiteral("Position"));
    writer->writeAttribute(QStringLiteral("pos-x"), formatLength(position.x));
    writer->writeAttribute(QStringLiteral("pos-y"), formatLength(position.y));
    writer->writeAttribute(QStringLiteral("pos-z"), formatLength(position.z));

    writer->writeEndElement();
    return !writer->hasError();
}

void TotalVolumeArchiver::writeState(TotalVolume &volume)
{
    // Digits are produced straight into one reusable buffer and handed to the
    // writer piece by piece, so no text of the whole volume is ever built.
    std::unique_ptr<QChar[]> buffer(new QChar[cellsPerChunk * charsPerCell]);
    const std::size_t count = volume.getCellCount();
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    const Voxel *cells = lock.cells();
    std::size_t i = 0;
    while (i < count && !writer->hasError()) {
        QChar *out = buffer.get();
        const std::size_t end = std::min(count, i + cellsPerChunk);
        for (; i < end; ++i) {
            out = Util::writeDecimal(out, cells[i].material);
            *out++ = QLatin1Char(' ');
        }
        writer->writeCharacters(QString::fromRawData(buffer.get(), int(out - buffer.get())));
    }
}

std::shared_ptr<Object> TotalVolumeArchiver::read()
{
    lastError.clear();
    readBackError.clear();
    stateCells = 0;
    lastCounts = CellCounts();
    if (!reader) {
        lastError = QStringLiteral("The cell volume reader has no input.");
        return {};
    }

    const QXmlStreamAttributes attributes = reader->attributes();
    const std::uint32_t nx = readCount(attributes, "size-x");
    const std::uint32_t ny = readCount(attributes, "size-y");
    const std::uint32_t nz = readCount(attributes, "size-z");
    const auto cellSizeX = float(readLength(attributes, "cellsize-x", 1.0, true));
    const auto cellSizeY = float(readLength(attributes, "cellsize-y", 1.0, true));
    const auto cellSizeZ = float(readLength(attributes, "cellsize-z", 1.0, true));
    const QString sizeText = QStringLiteral("%1 x %2 x %3").arg(nx).arg(ny).arg(nz);
    const qint64 line = reader->lineNumber();

    if (nx == 0 || ny == 0 || nz == 0) {
        lastError = QStringLiteral("The cell volume in line %1 has no cells (%2) and was passed over.")
                        .arg(line).arg(sizeText);
        skipToEndOfObject();
        return {};
    }

    std::shared_ptr<TotalVolume> volume;
    try {
        // The State text writes the cells; only those it does not reach are
        // emptied afterwards.
        volume = std::make_shared<TotalVolume>(nx, ny, nz, cellSizeX, cellSizeY, cellSizeZ,
                                               Util::Vector3D(), TotalVolume::Cells::Unset);
    } catch (const std::bad_alloc &) {
        lastError = QStringLiteral("The cell volume in line %1 (%2 cells) does not fit in memory "
                                   "and was passed over.")
                        .arg(line).arg(sizeText);
        skipToEndOfObject();
        return {};
    }

    // Every child is read up to its own end element, so the next end element
    // met here closes the Object.
    Util::Vector3D position;
    bool cellsComplete = false;
    while (!reader->atEnd()) {
        const QXmlStreamReader::TokenType token = reader->readNext();
        if (token == QXmlStreamReader::EndElement)
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (reader->name() == QLatin1String("State")) {
            cellsComplete = readState(*volume);
        } else if (reader->name() == QLatin1String("Position")) {
            const QXmlStreamAttributes pos = reader->attributes();
            position = Util::Vector3D(readLength(pos, "pos-x", 0.0, false),
                                      readLength(pos, "pos-y", 0.0, false),
                                      readLength(pos, "pos-z", 0.0, false));
            reader->skipCurrentElement();
        } else {
            qCDebug(lcPersistence) << "Unknown element in a cell volume:" << reader->name()
                                   << "in line" << reader->lineNumber();
            reader->skipCurrentElement();
        }
    }

    // A volume whose cell list breaks off keeps the cells read before the
    // break (the document reader says how many); one cut off before its
    // first cell has nothing worth keeping.
    if ((reader->hasError() || !readBackError.isEmpty()) && !cellsComplete) {
        if (stateCells == 0) {
            lastError = QStringLiteral("The cell volume in line %1 (%2 cells) is cut off by the end "
                                       "of the file and was passed over.")
                            .arg(line).arg(sizeText);
            return {};
        }
        lastCounts.brokenOff = true;
        lastCounts.breakReason = readBackError.isEmpty() ? reader->errorString() : readBackError;
    }

    emptyCellsFrom(*volume, std::min<std::size_t>(stateCells, volume->getCellCount()));
    lastCounts.cells = volume->getCellCount(); // also without a State: all cells empty
    volume->translate(position);
    // Faces are built when the volume is first drawn.
    return volume;
}

bool TotalVolumeArchiver::readState(TotalVolume &volume)
{
    // Cells a second State element does not reach keep what the first gave them.
    TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Write);
    StateParser parser(lock.writableCells(), volume.getCellCount(), materialIdMap);
    while (!reader->atEnd()) {
        const QXmlStreamReader::TokenType token = reader->readNext();
        if (token == QXmlStreamReader::Characters) {
            parser.feed(reader->text());
        } else if (token == QXmlStreamReader::ProcessingInstruction && stateText
                   && reader->processingInstructionTarget() == StateTextDevice::instructionTarget) {
            // Cell text the device lifted out of the stream, read from the file.
            const auto read = stateText->readText(reader->processingInstructionData().toString(),
                                                  [&parser](const char *bytes, std::size_t size) {
                                                      parser.feed(bytes, size);
                                                  });
            if (read == StateTextDevice::TextRead::Failed) {
                readBackError = QStringLiteral("its cells could not be read back from the file");
                reader->skipCurrentElement();
                break;
            }
        } else if (token == QXmlStreamReader::StartElement) {
            // Markup inside the cell text separates tokens; its content is ignored.
            parser.finish();
            reader->skipCurrentElement();
        } else if (token == QXmlStreamReader::EndElement) {
            break;
        }
    }
    // A token cut off by the end of a broken file may have lost digits.
    const bool complete = !reader->hasError() && readBackError.isEmpty();
    if (complete)
        parser.finish();
    lock.unlock();
    stateCells = std::max(stateCells, parser.tokensRead());

    // The document reader turns these into its warning.
    lastCounts.cells = volume.getCellCount();
    lastCounts.entries = parser.tokensRead();
    lastCounts.unreadable = parser.badTokens();
    return complete;
}

void TotalVolumeArchiver::emptyCellsFrom(TotalVolume &volume, std::size_t first)
{
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Write);
    std::fill(lock.writableCells() + first, lock.writableCells() + volume.getCellCount(), Voxel(0));
}

void TotalVolumeArchiver::skipToEndOfObject()
{
    if (reader->isStartElement())
        reader->skipCurrentElement();
}

} // namespace Persistence
} // namespace Model
