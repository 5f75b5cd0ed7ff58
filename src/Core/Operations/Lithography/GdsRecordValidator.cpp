#include "Core/Operations/Lithography/GdsRecordValidator.h"

#include <QHash>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Core {
namespace Operations {

namespace {

enum RecordType : int {
    Header = 0x00, BgnLib = 0x01, LibName = 0x02, Units = 0x03, EndLib = 0x04, BgnStr = 0x05, StrName = 0x06,
    EndStr = 0x07, Boundary = 0x08, Path = 0x09, SRef = 0x0A, ARef = 0x0B, Text = 0x0C, Layer = 0x0D,
    DataType = 0x0E, Width = 0x0F, XY = 0x10, EndEl = 0x11, SName = 0x12, ColRow = 0x13, Node = 0x15,
    TextType = 0x16, Presentation = 0x17, String = 0x19, STrans = 0x1A, Mag = 0x1B, Angle = 0x1C,
    RefLibs = 0x1F, Fonts = 0x20, PathType = 0x21, Generations = 0x22, AttrTable = 0x23, ElFlags = 0x26,
    NodeType = 0x2A, PropAttr = 0x2B, PropValue = 0x2C, Box = 0x2D, BoxType = 0x2E, Plex = 0x2F,
    BgnExtn = 0x30, EndExtn = 0x31, StrClass = 0x34, Format = 0x36, Mask = 0x37, EndMasks = 0x38,
    LibDirSize = 0x39, SrfName = 0x3A, LibSecur = 0x3B,
};

enum DataKind : int { NoData = 0, BitArray = 1, Int2 = 2, Int4 = 3, Real8 = 5, Ascii = 6 };

struct RecordRule
{
    int type;
    DataKind kind;
    int bytes; // data bytes; -1 for any (even) count
    const char *name;
};

// Every record type the reader accepts. Anything else (the unreleased
// record types, tape records ...) is refused.
constexpr RecordRule rules[] = {
    {Header, Int2, 2, "HEADER"}, {BgnLib, Int2, 24, "BGNLIB"}, {LibName, Ascii, -1, "LIBNAME"},
    {Units, Real8, 16, "UNITS"}, {EndLib, NoData, 0, "ENDLIB"}, {BgnStr, Int2, 24, "BGNSTR"},
    {StrName, Ascii, -1, "STRNAME"}, {EndStr, NoData, 0, "ENDSTR"}, {Boundary, NoData, 0, "BOUNDARY"},
    {Path, NoData, 0, "PATH"}, {SRef, NoData, 0, "SREF"}, {ARef, NoData, 0, "AREF"}, {Text, NoData, 0, "TEXT"},
    {Layer, Int2, 2, "LAYER"}, {DataType, Int2, 2, "DATATYPE"}, {Width, Int4, 4, "WIDTH"}, {XY, Int4, -1, "XY"},
    {EndEl, NoData, 0, "ENDEL"}, {SName, Ascii, -1, "SNAME"}, {ColRow, Int2, 4, "COLROW"}, {Node, NoData, 0, "NODE"},
    {TextType, Int2, 2, "TEXTTYPE"}, {Presentation, BitArray, 2, "PRESENTATION"}, {String, Ascii, -1, "STRING"},
    {STrans, BitArray, 2, "STRANS"}, {Mag, Real8, 8, "MAG"}, {Angle, Real8, 8, "ANGLE"},
    {RefLibs, Ascii, -1, "REFLIBS"}, {Fonts, Ascii, -1, "FONTS"}, {PathType, Int2, 2, "PATHTYPE"},
    {Generations, Int2, 2, "GENERATIONS"}, {AttrTable, Ascii, -1, "ATTRTABLE"}, {ElFlags, BitArray, 2, "ELFLAGS"},
    {NodeType, Int2, 2, "NODETYPE"}, {PropAttr, Int2, 2, "PROPATTR"}, {PropValue, Ascii, -1, "PROPVALUE"},
    {Box, NoData, 0, "BOX"}, {BoxType, Int2, 2, "BOXTYPE"}, {Plex, Int4, 4, "PLEX"}, {BgnExtn, Int4, 4, "BGNEXTN"},
    {EndExtn, Int4, 4, "ENDEXTN"}, {StrClass, BitArray, 2, "STRCLASS"}, {Format, Int2, 2, "FORMAT"},
    {Mask, Ascii, -1, "MASK"}, {EndMasks, NoData, 0, "ENDMASKS"}, {LibDirSize, Int2, 2, "LIBDIRSIZE"},
    {SrfName, Ascii, -1, "SRFNAME"}, {LibSecur, Int2, -1, "LIBSECUR"},
};

const RecordRule *ruleOf(int type)
{
    for (const RecordRule &rule : rules)
        if (rule.type == type)
            return &rule;
    return nullptr;
}

constexpr std::uint64_t bit(int type) { return std::uint64_t(1) << type; }

// What each element may hold besides ELFLAGS, PLEX and properties, what it
// must hold, and its XY point count.
struct ElementRule
{
    int type;
    std::uint64_t allowed;
    std::uint64_t required;
    int minimumPoints;
    int maximumPoints;
};

constexpr int anyPoints = 8191;
constexpr ElementRule elementRules[] = {
    {Boundary, bit(Layer) | bit(DataType) | bit(XY), bit(Layer) | bit(DataType) | bit(XY), 3, anyPoints},
    {Path, bit(Layer) | bit(DataType) | bit(PathType) | bit(Width) | bit(BgnExtn) | bit(EndExtn) | bit(XY),
     bit(Layer) | bit(DataType) | bit(XY), 2, anyPoints},
    {SRef, bit(SName) | bit(STrans) | bit(Mag) | bit(Angle) | bit(XY), bit(SName) | bit(XY), 1, 1},
    {ARef, bit(SName) | bit(STrans) | bit(Mag) | bit(Angle) | bit(ColRow) | bit(XY), bit(SName) | bit(ColRow) | bit(XY),
     3, 3},
    {Text,
     bit(Layer) | bit(TextType) | bit(Presentation) | bit(PathType) | bit(Width) | bit(STrans) | bit(Mag) | bit(Angle) |
         bit(XY) | bit(String),
     bit(Layer) | bit(TextType) | bit(XY) | bit(String), 1, 1},
    {Node, bit(Layer) | bit(NodeType) | bit(XY), bit(Layer) | bit(NodeType) | bit(XY), 1, 50},
    {Box, bit(Layer) | bit(BoxType) | bit(XY), bit(Layer) | bit(BoxType) | bit(XY), 5, 5},
};

const ElementRule *elementRuleOf(int type)
{
    for (const ElementRule &rule : elementRules)
        if (rule.type == type)
            return &rule;
    return nullptr;
}

// Structures nest at most this deep (the library flattens recursively).
constexpr int maximumDepth = 64;
constexpr double largestMagnification = 1000;
constexpr int longestText = 512;

qint32 int4At(const uchar *p)
{
    return qint32((quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]));
}
qint16 int2At(const uchar *p) { return qint16(quint16((p[0] << 8) | p[1])); }

// An 8-byte real: sign, excess-64 exponent of 16, 56-bit fraction.
double real8At(const uchar *p)
{
    quint64 fraction = 0;
    for (int k = 1; k < 8; ++k)
        fraction = (fraction << 8) | p[k];
    const double value = std::ldexp(double(fraction), 4 * (int(p[0] & 0x7F) - 64) - 56);
    return (p[0] & 0x80) ? -value : value;
}

struct Bounds
{
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    bool isEmpty() const { return minX > maxX; }
    void add(double x, double y)
    {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
};

struct Reference
{
    QByteArray target;
    double columns = 1, rows = 1;
    double x[3] = {}, y[3] = {};
    bool reflected = false;
    double magnification = 1, angle = 0;
    qint64 offset = 0;
};

struct Structure
{
    double shapes = 0, vertices = 0;
    Bounds bounds;
    bool exact = true;
    QVector<Reference> references;
    bool referenced = false;
    int state = 0; // 0 not evaluated, 1 being evaluated, 2 done
};

class Walker
{
public:
    explicit Walker(const QByteArray &bytes) : data(reinterpret_cast<const uchar *>(bytes.constData())), size(bytes.size()) {}

    bool run(GdsRecordValidator::Summary &summary);
    QString error;

private:
    bool fail(qint64 offset, const QString &why)
    {
        error = QStringLiteral("byte %1: %2").arg(offset).arg(why);
        return false;
    }
    bool record(qint64 offset, int type, const uchar *body, int bytes);
    bool element(qint64 offset, int type, const uchar *body, int bytes);
    bool endElement();
    bool evaluate(Structure &structure, int depth);
    // A name record's text without its padding; false for an empty name,
    // one with NUL bytes inside or characters outside printable ASCII.
    static bool nameOf(const uchar *body, int bytes, QByteArray &name);

    const uchar *data;
    qint64 size;

    enum Phase { Start, AfterHeader, LibraryHeader, Library, StructureName, InStructure, InElement, Ended };
    Phase phase = Start;
    bool haveName = false;
    double userUnitsPerDatabaseUnit = 0;

    QHash<QByteArray, Structure> structures;
    QByteArray current;

    // The element being read.
    const ElementRule *elementRule = nullptr;
    qint64 elementOffset = 0;
    std::uint64_t seen = 0;
    bool propertyOpen = false;
    int points = 0;
    std::int64_t xy[6] = {};
    Reference reference;
};

bool Walker::nameOf(const uchar *body, int bytes, QByteArray &name)
{
    while (bytes > 0 && body[bytes - 1] == 0)
        --bytes;
    if (bytes == 0)
        return false;
    for (int k = 0; k < bytes; ++k)
        if (body[k] < 0x20 || body[k] > 0x7E)
            return false;
    name = QByteArray(reinterpret_cast<const char *>(body), bytes);
    return true;
}

bool Walker::run(GdsRecordValidator::Summary &summary)
{
    if (size > GdsRecordValidator::maximumFileBytes)
        return fail(0, QStringLiteral("the file is larger than %1 MB").arg(GdsRecordValidator::maximumFileBytes >> 20));
    qint64 offset = 0;
    while (offset < size && phase != Ended) {
        if (size - offset < 4)
            return fail(offset, QStringLiteral("the file ends inside a record header"));
        const int length = (data[offset] << 8) | data[offset + 1];
        if (length < 4 || length % 2 != 0)
            return fail(offset, QStringLiteral("a record length of %1 (it must be even and at least 4)").arg(length));
        if (offset + length > size)
            return fail(offset, QStringLiteral("a record of %1 bytes runs past the end of the file").arg(length));
        if (!record(offset, data[offset + 2], data + offset + 4, length - 4))
            return false;
        offset += length;
    }
    if (phase != Ended)
        return fail(offset, QStringLiteral("the file ends before ENDLIB"));
    for (qint64 k = offset; k < size; ++k)
        if (data[k] != 0)
            return fail(k, QStringLiteral("data after ENDLIB"));
    for (auto it = structures.begin(); it != structures.end(); ++it) {
        for (const Reference &r : it->references) {
            auto target = structures.find(r.target);
            if (target == structures.end())
                return fail(r.offset, QStringLiteral("a reference to structure \"%1\", which the file does not define")
                                          .arg(QString::fromLatin1(r.target)));
            target->referenced = true;
        }
    }
    for (auto it = structures.begin(); it != structures.end(); ++it) {
        if (!evaluate(*it, 0))
            return false;
        summary.shapes += it->shapes;
        summary.vertices += it->vertices;
    }
    if (summary.shapes > GdsRecordValidator::maximumShapes || summary.vertices > GdsRecordValidator::maximumVertices) {
        error = QStringLiteral("the flattened layout holds at least %1 shapes and %2 vertices; the limits are %3 "
                               "shapes and %4 vertices")
                    .arg(summary.shapes, 0, 'g', 3)
                    .arg(summary.vertices, 0, 'g', 3)
                    .arg(GdsRecordValidator::maximumShapes, 0, 'f', 0)
                    .arg(GdsRecordValidator::maximumVertices, 0, 'f', 0);
        return false;
    }
    for (const Structure &s : qAsConst(structures)) {
        if (s.referenced)
            continue;
        summary.extentKnown = summary.extentKnown && s.exact;
        if (!s.bounds.isEmpty()) {
            summary.extentX = std::max(summary.extentX, s.bounds.maxX * userUnitsPerDatabaseUnit);
            summary.extentY = std::max(summary.extentY, s.bounds.maxY * userUnitsPerDatabaseUnit);
        }
    }
    return true;
}

bool Walker::record(qint64 offset, int type, const uchar *body, int bytes)
{
    const RecordRule *rule = ruleOf(type);
    if (!rule)
        return fail(offset, QStringLiteral("record type 0x%1 is not a GDSII record this reader accepts")
                                .arg(type, 2, 16, QLatin1Char('0')));
    const QString name = QLatin1String(rule->name);
    if (data[offset + 3] != rule->kind)
        return fail(offset, QStringLiteral("%1 with data type %2 (it must be %3)").arg(name).arg(data[offset + 3]).arg(rule->kind));
    if (rule->bytes >= 0 && bytes != rule->bytes)
        return fail(offset, QStringLiteral("%1 with %2 data bytes (it must have %3)").arg(name).arg(bytes).arg(rule->bytes));
    if ((rule->kind == Int4 || rule->kind == Real8) && bytes % (rule->kind == Int4 ? 4 : 8) != 0)
        return fail(offset, QStringLiteral("%1 with %2 data bytes").arg(name).arg(bytes));

    const QString misplaced = QStringLiteral("%1 out of place").arg(name);
    switch (phase) {
    case Start:
        if (type != Header)
            return fail(offset, QStringLiteral("the file does not start with a GDSII HEADER record"));
        phase = AfterHeader;
        return true;
    case AfterHeader:
        if (type != BgnLib)
            return fail(offset, QStringLiteral("HEADER is not followed by BGNLIB"));
        phase = LibraryHeader;
        return true;
    case LibraryHeader:
        switch (type) {
        case LibName:
            if (haveName)
                return fail(offset, QStringLiteral("a second LIBNAME"));
            haveName = true;
            return true;
        case LibDirSize: case SrfName: case LibSecur: case RefLibs: case Fonts: case AttrTable: case Generations:
        case Format: case Mask: case EndMasks:
            return true;
        case Units: {
            const double user = real8At(body), metres = real8At(body + 8);
            if (!haveName)
                return fail(offset, QStringLiteral("UNITS before LIBNAME"));
            if (!(user > 0) || !(metres > 0) || !std::isfinite(metres / user) || !std::isfinite(user))
                return fail(offset, QStringLiteral("UNITS that are not positive"));
            userUnitsPerDatabaseUnit = user;
            phase = Library;
            return true;
        }
        default:
            return fail(offset, misplaced);
        }
    case Library:
        if (type == EndLib) {
            phase = Ended;
            return true;
        }
        if (type != BgnStr)
            return fail(offset, misplaced);
        phase = StructureName;
        return true;
    case StructureName: {
        if (type != StrName)
            return fail(offset, QStringLiteral("BGNSTR is not followed by STRNAME"));
        QByteArray structureName;
        if (!nameOf(body, bytes, structureName))
            return fail(offset, QStringLiteral("a structure name that is empty or not printable ASCII"));
        if (structures.contains(structureName))
            return fail(offset, QStringLiteral("a second structure named \"%1\"").arg(QString::fromLatin1(structureName)));
        structures.insert(structureName, Structure());
        current = structureName;
        phase = InStructure;
        return true;
    }
    case InStructure:
        if (type == EndStr) {
            phase = Library;
            return true;
        }
        if (type == StrClass)
            return true;
        if (!(elementRule = elementRuleOf(type)))
            return fail(offset, misplaced);
        elementOffset = offset;
        seen = 0;
        points = 0;
        propertyOpen = false;
        reference = Reference();
        reference.offset = offset;
        phase = InElement;
        return true;
    case InElement:
        return element(offset, type, body, bytes);
    case Ended:
        break;
    }
    return fail(offset, misplaced);
}

bool Walker::element(qint64 offset, int type, const uchar *body, int bytes)
{
    const QString name = QLatin1String(ruleOf(type)->name);
    const QString owner = QLatin1String(ruleOf(elementRule->type)->name);
    if (propertyOpen != (type == PropValue))
        return fail(offset, propertyOpen ? QStringLiteral("PROPATTR is not followed by PROPVALUE")
                                         : QStringLiteral("PROPVALUE without PROPATTR"));
    if (type == PropAttr || type == PropValue) {
        propertyOpen = type == PropAttr;
        return true;
    }
    if (type == EndEl)
        return endElement();
    if (type != ElFlags && type != Plex && !(elementRule->allowed & bit(type)))
        return fail(offset, QStringLiteral("%1 inside %2").arg(name, owner));
    if (seen & bit(type))
        return fail(offset, QStringLiteral("a second %1 in one %2").arg(name, owner));
    seen |= bit(type);
    switch (type) {
    case XY:
        if (bytes % 8 != 0)
            return fail(offset, QStringLiteral("XY with %1 data bytes, not whole points").arg(bytes));
        points = bytes / 8;
        if (points < elementRule->minimumPoints || points > elementRule->maximumPoints)
            return fail(offset, QStringLiteral("%1 with %2 points in XY").arg(owner).arg(points));
        for (int k = 0; k < std::min(points, 3); ++k) {
            xy[2 * k] = int4At(body + 8 * k);
            xy[2 * k + 1] = int4At(body + 8 * k + 4);
        }
        if (elementRule->type == Boundary || elementRule->type == Path || elementRule->type == Box) {
            Structure &s = structures[current];
            for (int k = 0; k < points; ++k)
                s.bounds.add(double(int4At(body + 8 * k)), double(int4At(body + 8 * k + 4)));
        }
        return true;
    case SName:
        if (!nameOf(body, bytes, reference.target))
            return fail(offset, QStringLiteral("a structure name that is empty or not printable ASCII"));
        return true;
    case String:
        if (bytes > longestText)
            return fail(offset, QStringLiteral("a text longer than %1 characters").arg(longestText));
        return true;
    case ColRow: {
        const int columns = int2At(body), rows = int2At(body + 2);
        if (columns < 1 || rows < 1)
            return fail(offset, QStringLiteral("an array of %1 columns and %2 rows").arg(columns).arg(rows));
        reference.columns = columns;
        reference.rows = rows;
        return true;
    }
    case STrans:
        reference.reflected = (body[0] & 0x80) != 0;
        return true;
    case Mag:
    case Angle: {
        if (!(seen & bit(STrans)))
            return fail(offset, QStringLiteral("%1 without STRANS").arg(name));
        const double value = real8At(body);
        if (type == Mag && !(value > 0 && value <= largestMagnification))
            return fail(offset, QStringLiteral("a magnification of %1 (it must lie in (0, %2])").arg(value).arg(largestMagnification));
        if (type == Angle && !(std::abs(value) <= 360000))
            return fail(offset, QStringLiteral("an angle of %1 degrees").arg(value));
        (type == Mag ? reference.magnification : reference.angle) = value;
        return true;
    }
    default:
        return true;
    }
}

bool Walker::endElement()
{
    const std::uint64_t missing = elementRule->required & ~seen;
    if (missing) {
        int type = 0;
        while (!(missing & bit(type)))
            ++type;
        return fail(elementOffset, QStringLiteral("%1 without %2")
                                       .arg(QLatin1String(ruleOf(elementRule->type)->name), QLatin1String(ruleOf(type)->name)));
    }
    Structure &s = structures[current];
    if (elementRule->type == SRef || elementRule->type == ARef) {
        for (int k = 0; k < 3; ++k) {
            reference.x[k] = double(xy[2 * k]);
            reference.y[k] = double(xy[2 * k + 1]);
        }
        s.references.append(reference);
    } else {
        s.shapes += 1;
        s.vertices += points;
    }
    phase = InStructure;
    return true;
}

bool Walker::evaluate(Structure &structure, int depth)
{
    if (structure.state == 2)
        return true;
    if (structure.state == 1)
        return fail(structure.references.isEmpty() ? 0 : structure.references.first().offset,
                    QStringLiteral("structures refer to each other in a loop"));
    if (depth > maximumDepth)
        return fail(0, QStringLiteral("structures nest more than %1 levels deep").arg(maximumDepth));
    structure.state = 1;
    for (const Reference &r : qAsConst(structure.references)) {
        Structure &target = structures[r.target];
        if (target.state == 1)
            return fail(r.offset, QStringLiteral("structure \"%1\" refers to itself through its references")
                                      .arg(QString::fromLatin1(r.target)));
        if (!evaluate(target, depth + 1))
            return false;
        const double copies = r.columns * r.rows;
        structure.shapes += copies * target.shapes;
        structure.vertices += copies * target.vertices;
        if (structure.shapes > GdsRecordValidator::maximumShapes || structure.vertices > GdsRecordValidator::maximumVertices)
            break; // refused by the caller; the counts only grow from here

        if (target.bounds.isEmpty())
            continue;
        // Reflection about x, magnification, rotation, then the placement;
        // exact for quarter turns, an enclosing box otherwise.
        double c = 0, s = 0;
        const double quarter = r.angle / 90.0;
        if (quarter == std::floor(quarter)) {
            static const int cosines[4] = {1, 0, -1, 0};
            const int q = int(std::fmod(std::fmod(quarter, 4.0) + 4.0, 4.0));
            c = cosines[q];
            s = cosines[(q + 3) % 4];
        } else {
            const double radians = r.angle * M_PI / 180.0;
            c = std::cos(radians);
            s = std::sin(radians);
            structure.exact = false;
        }
        structure.exact = structure.exact && target.exact;
        const Bounds &b = target.bounds;
        const double lastColumn = r.columns - 1, lastRow = r.rows - 1;
        for (double i : {0.0, lastColumn}) {
            for (double j : {0.0, lastRow}) {
                double ox = r.x[0], oy = r.y[0];
                if (r.columns > 1 || r.rows > 1) {
                    ox += i * (r.x[1] - r.x[0]) / r.columns + j * (r.x[2] - r.x[0]) / r.rows;
                    oy += i * (r.y[1] - r.y[0]) / r.columns + j * (r.y[2] - r.y[0]) / r.rows;
                }
                for (double px : {b.minX, b.maxX}) {
                    for (double py : {b.minY, b.maxY}) {
                        const double ry = (r.reflected ? -py : py) * r.magnification, rx = px * r.magnification;
                        structure.bounds.add(ox + c * rx - s * ry, oy + s * rx + c * ry);
                    }
                }
            }
        }
    }
    structure.state = 2;
    return true;
}

} // namespace

bool GdsRecordValidator::check(const QByteArray &bytes, Summary &summary, QString &error)
{
    summary = Summary();
    Walker walker(bytes);
    if (walker.run(summary))
        return true;
    error = walker.error;
    return false;
}

} // namespace Operations
} // namespace Core
