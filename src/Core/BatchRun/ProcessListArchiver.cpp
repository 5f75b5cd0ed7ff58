#include "ProcessListArchiver.h"

#include "Model/Persistence/XmlReading.h"
#include "Util/BitVector.h"
#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"
#include "Util/Vector3D.h"

#include <QColor>
#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <charconv>

namespace Core {
namespace BatchRun {

namespace {

const QString processListTag = QStringLiteral("Process-List");
const QString processDataTag = QStringLiteral("Process-Data");
const QString parameterTag = QStringLiteral("Parameter");
const QString vectorKind = QStringLiteral("vector");
const QString vector3DKind = QStringLiteral("Util::Vector3D");

void logTag(const char *prefix, const QXmlStreamReader &reader)
{
    qCDebug(lcBatch).noquote().nospace()
        << prefix << reader.name() << " in line " << reader.lineNumber();
}

// Moves to the next start element and notes it on the debug output.
bool nextStartElement(QXmlStreamReader &reader)
{
    if (!Model::Persistence::nextStartElement(reader))
        return false;
    logTag("CurrentTag: ", reader);
    return true;
}

// The shortest text that reads back as the same float.
QString floatText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

} // namespace

ProcessListArchiver::ProcessListArchiver(const QList<ProcessData> &processes)
    : processes(processes)
{
}

QString ProcessListArchiver::kindOf(const QVariant &value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<Util::BitVector>())
        return vectorKind;
    if (type == qMetaTypeId<Util::Vector3D>())
        return vector3DKind;
    return QString::fromLatin1(value.typeName());
}

QString ProcessListArchiver::textOf(const QVariant &value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<Util::BitVector>()) {
        const auto bits = value.value<Util::BitVector>();
        QString text(int(bits.size()), QLatin1Char('0'));
        for (std::size_t i = 0; i < bits.size(); ++i) {
            if (bits.test(i))
                text[int(i)] = QLatin1Char('1');
        }
        return text;
    }
    if (type == qMetaTypeId<Util::Vector3D>()) {
        const auto v = value.value<Util::Vector3D>();
        return QStringLiteral("%1;%2;%3")
            .arg(QString::number(v.x, 'g', 10), QString::number(v.y, 'g', 10),
                 QString::number(v.z, 'g', 10));
    }
    switch (type) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Float:
        return floatText(value.toFloat());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QColor:
        return value.value<QColor>().name();
    default:
        return value.toString();
    }
}

QVariant ProcessListArchiver::valueOf(const QString &kind, const QString &text)
{
    bool ok = false;
    if (kind == QLatin1String("bool"))
        return QVariant(text == QLatin1String("true"));
    if (kind == QLatin1String("int")) {
        const int value = text.toInt(&ok);
        return ok ? QVariant(value) : QVariant();
    }
    if (kind == QLatin1String("uint")) {
        const uint value = text.toUInt(&ok);
        return ok ? QVariant(value) : QVariant();
    }
    if (kind == QLatin1String("float")) {
        const float value = text.toFloat(&ok);
        return ok ? QVariant(value) : QVariant();
    }
    if (kind == QLatin1String("double")) {
        const double value = text.toDouble(&ok);
        return ok ? QVariant(value) : QVariant();
    }
    if (kind == QLatin1String("QString"))
        return QVariant(text);
    if (kind == QLatin1String("QColor")) {
        const QColor color(text);
        return color.isValid() ? QVariant(color) : QVariant();
    }
    if (kind == vector3DKind) {
        const QStringList parts = text.split(QLatin1Char(';'));
        if (parts.size() != 3)
            return QVariant();
        double xyz[3];
        for (int i = 0; i < 3; ++i) {
            xyz[i] = parts[i].toDouble(&ok);
            if (!ok)
                return QVariant();
        }
        return QVariant::fromValue(Util::Vector3D(xyz[0], xyz[1], xyz[2]));
    }
    if (kind == vectorKind) {
        Util::BitVector bits(std::size_t(text.size()));
        for (int i = 0; i < text.size(); ++i)
            bits.set(std::size_t(i), text[i] == QLatin1Char('1'));
        return QVariant::fromValue(bits);
    }
    return QVariant();
}

bool ProcessListArchiver::saveProcessList(const QString &fileName)
{
    const auto written = Util::SafeFileWriter::write(
        fileName, [this](QIODevice &device) { return saveProcessList(device); });
    lastError = written.error;
    if (!written)
        qCWarning(lcBatch) << "Cannot save the process list" << fileName << ":" << lastError;
    return written.ok;
}

bool ProcessListArchiver::saveProcessList(QIODevice &device)
{
    lastError.clear();
    QXmlStreamWriter writer(&device);
    writer.setAutoFormatting(true);
    writer.writeStartDocument(QStringLiteral("1.0"));
    writer.writeStartElement(processListTag);
    for (const ProcessData &process : qAsConst(processes))
        writeProcessData(writer, process);
    writer.writeEndElement();
    writer.writeEndDocument();
    if (writer.hasError()) {
        lastError = device.errorString();
        return false;
    }
    return true;
}

void ProcessListArchiver::writeProcessData(QXmlStreamWriter &writer, const ProcessData &process)
{
    writer.writeStartElement(processDataTag);
    writer.writeAttribute(QStringLiteral("process-type"), QString::number(process.getType()));
    const QMap<QString, QVariant> parameters = process.getParameters();
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        writer.writeEmptyElement(parameterTag);
        writer.writeAttribute(QStringLiteral("parameter-name"), it.key());
        writer.writeAttribute(QStringLiteral("parameter-type"), kindOf(it.value()));
        writer.writeAttribute(QStringLiteral("parameter-data"), textOf(it.value()));
        writer.writeAttribute(QStringLiteral("parameter-visibility"),
                              process.isVisible(it.key()) ? QStringLiteral("true")
                                                          : QStringLiteral("false"));
    }
    writer.writeEndElement();
}

bool ProcessListArchiver::loadProcessList(const QString &fileName, QList<ProcessData> &result)
{
    lastError.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        lastError = file.errorString();
        qCWarning(lcBatch) << "Cannot open the process list" << fileName << ":" << lastError;
        return false;
    }
    return loadProcessList(file, result);
}

bool ProcessListArchiver::loadProcessList(QIODevice &device, QList<ProcessData> &result)
{
    lastError.clear();
    QXmlStreamReader reader(&device);

    bool found = false;
    while (!found && nextStartElement(reader))
        found = reader.name() == processListTag;
    if (!found) {
        lastError = reader.hasError()
            ? Model::Persistence::readError(reader)
            : QStringLiteral("The file holds no process list.");
        return false;
    }

    // Every branch moves the reader on, so the loop ends with the input.
    QList<ProcessData> loaded;
    nextStartElement(reader);
    while (reader.isStartElement() && !reader.atEnd()) {
        if (reader.name() == processDataTag) {
            loaded.append(readProcessData(reader));
        } else {
            logTag("Unknown tag found in file: ", reader);
            nextStartElement(reader);
        }
    }

    if (reader.hasError()) {
        lastError = Model::Persistence::readError(reader);
        qCWarning(lcBatch) << "The process list cannot be read:" << lastError;
        return false;
    }
    result.append(loaded);
    return true;
}

ProcessData ProcessListArchiver::readProcessData(QXmlStreamReader &reader)
{
    logTag("Starting parse of : ", reader);
    if (!reader.isStartElement() || reader.name() != processDataTag)
        return ProcessData(ProcessData::unknownType);

    // 0 when the attribute is missing or not a number.
    ProcessData process(reader.attributes().value(QLatin1String("process-type")).toInt());
    nextStartElement(reader);
    while (reader.isStartElement() && reader.name() == parameterTag && !reader.atEnd()) {
        const QXmlStreamAttributes attributes = reader.attributes();
        const QString name = attributes.value(QLatin1String("parameter-name")).toString();
        const QString kind = attributes.value(QLatin1String("parameter-type")).toString();
        const QString text = attributes.value(QLatin1String("parameter-data")).toString();
        const QStringRef shown = attributes.value(QLatin1String("parameter-visibility"));
        const QVariant value = valueOf(kind, text);
        if (!value.isValid())
            qCDebug(lcBatch) << "Parameter" << name << "of kind" << kind << "has no usable value";
        process.setParameter(name, value, shown.isEmpty() || shown == QLatin1String("true"));
        nextStartElement(reader);
    }
    return process;
}

} // namespace BatchRun
} // namespace Core
