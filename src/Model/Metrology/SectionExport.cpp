#include "SectionExport.h"

#include "Section.h"

#include "Util/SafeFileWriter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>

namespace Model {
namespace Metrology {

namespace {

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 10);
}

// The generator gives the drawing's size in millimetres at its resolution,
// which readers turn back into pixels at resolutions of their own (Qt at 90
// dpi, browsers and drawing programs at 96): stated in plain (CSS) pixels,
// the drawing opens at the PNG's size everywhere.
QByteArray pixelSized(const QByteArray &svg, const QSize &size)
{
    const int start = svg.indexOf("<svg ");
    const int end = start < 0 ? -1 : svg.indexOf('>', start);
    if (end < 0)
        return svg;
    QString head = QString::fromUtf8(svg.mid(start, end - start));
    static const QRegularExpression width(QStringLiteral("(\\s)width=\"[^\"]*\""));
    static const QRegularExpression height(QStringLiteral("(\\s)height=\"[^\"]*\""));
    head.replace(width, QStringLiteral("\\1width=\"%1\"").arg(size.width()));
    head.replace(height, QStringLiteral("\\1height=\"%1\"").arg(size.height()));
    return svg.left(start) + head.toUtf8() + svg.mid(end);
}

} // namespace

bool SectionExport::isPictureName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("svg");
}

bool SectionExport::writePicture(const Section &section, const QString &path, SectionPicture::Options options,
                                 QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!isPictureName(path)) {
        if (error)
            *error = QStringLiteral("%1: a section picture is saved as .png or .svg.").arg(path);
        return false;
    }
    if (section.width == 0 || section.height == 0) {
        if (error)
            *error = QStringLiteral("The section has no cells to draw.");
        return false;
    }
    options.vector = suffix == QLatin1String("svg");
    const QSize size = SectionPicture::fileSize(section, options);
    const SectionPicture::Layout layout = SectionPicture::fit(section, QSizeF(size), options);
    Util::SafeFileWriter::Result result;
    if (options.vector) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        bool drawn = false;
        {
            QSvgGenerator generator;
            generator.setOutputDevice(&buffer);
            generator.setSize(size);
            generator.setViewBox(QRect(QPoint(0, 0), size));
            generator.setTitle(SectionPicture::title(section));
            generator.setDescription(QStringLiteral("Kestrum cross section, lengths in micrometres"));
            QPainter painter;
            drawn = painter.begin(&generator);
            if (drawn) {
                SectionPicture::paint(painter, section, layout, options);
                drawn = painter.end();
            }
        }
        if (!drawn) {
            if (error)
                *error = QStringLiteral("%1 could not be written: the drawing could not be made.").arg(path);
            return false;
        }
        const QByteArray svg = pixelSized(buffer.data(), size);
        result = Util::SafeFileWriter::write(path, [&](QIODevice &device) {
            return device.write(svg) == svg.size();
        });
    } else {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull()) {
            if (error)
                *error = QStringLiteral("A picture of %1 x %2 pixels does not fit in memory.")
                             .arg(size.width()).arg(size.height());
            return false;
        }
        QPainter painter(&image);
        SectionPicture::paint(painter, section, layout, options);
        painter.end();
        result = Util::SafeFileWriter::writeImage(image, path);
    }
    if (!result && error)
        *error = QStringLiteral("%1 could not be written: %2").arg(path, result.error);
    return bool(result);
}

QByteArray SectionExport::csv(const Section &s)
{
    QByteArray out;
    out.reserve(int(std::min<std::size_t>(std::size_t(s.width + 1) * (s.height + 2) * 4, 1u << 30)));
    const QByteArray u = axisName(s.uAxis).toLatin1();
    const QByteArray v = axisName(s.vAxis).toLatin1();
    out += "# Kestrum section " + axisName(s.normal).toLatin1() + " = " + number(s.at)
           + " um; material ids; first row: " + u + " of the cell centres in um; first column: " + v
           + " of the cell centres in um, top row first\n";
    out += v + "\\" + u;
    for (std::uint32_t c = 0; c < s.width; ++c)
        out += ',' + number(s.uEdge(c) + 0.5 * s.uCell);
    out += '\n';
    for (std::uint32_t r = s.height; r-- > 0;) {
        out += number(s.vEdge(r) + 0.5 * s.vCell);
        for (std::uint32_t c = 0; c < s.width; ++c)
            out += ',' + QByteArray::number(s.id(c, r));
        out += '\n';
    }
    return out;
}

bool SectionExport::writeCsv(const Section &section, const QString &path, QString *error)
{
    const QByteArray text = csv(section);
    const Util::SafeFileWriter::Result result = Util::SafeFileWriter::write(path, [&](QIODevice &device) {
        return device.write(text) == text.size();
    });
    if (!result && error)
        *error = QStringLiteral("%1 could not be written: %2").arg(path, result.error);
    return bool(result);
}

} // namespace Metrology
} // namespace Model
