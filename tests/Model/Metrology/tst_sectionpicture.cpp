#include "Model/Metrology/Section.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/SectionPicture.h"
#include "Model/Metrology/TrenchMetrics.h"

#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialLegend.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

using Model::Automaton::TotalVolume;
using namespace Model::Metrology;

namespace {

// Silicon (1) to 6 µm with a 4 µm trench from x 8 to 12 µm and a 1 µm oxide
// (3) cap, over 20 x 2 x 10 µm in cells of 0.5 x 1 x 0.25 µm.
Section trenchSection()
{
    const std::uint32_t nx = 40, ny = 2, nz = 40;
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    for (std::uint32_t i = 0; i < nx; ++i)
        for (std::uint32_t j = 0; j < ny; ++j)
            for (std::uint32_t k = 0; k < nz; ++k) {
                const double x = (i + 0.5) * 0.5, z = (k + 0.5) * 0.25;
                const bool open = x > 8 && x < 12 && z > 2;
                ids[(std::size_t(i) * ny + j) * nz + k] = open ? 0 : z < 6 ? 1 : z < 7 ? 3 : 0;
            }
    TotalVolume volume(nx, ny, nz, 0.5f, 1.0f, 0.25f, Util::Vector3D(), ids);
    QString error;
    return *SectionCut::take(volume, Axis::Y, 1.0, &error);
}

QList<QByteArray> csvRows(const QByteArray &csv)
{
    QList<QByteArray> rows = csv.split('\n');
    while (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    return rows;
}

} // namespace

class TestSectionPicture : public QObject
{
    Q_OBJECT

private slots:
    void layoutKeepsTrueAspect_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("zoom");
        QTest::newRow("wide picture") << QSizeF(1200, 400) << 1.0;
        QTest::newRow("tall picture") << QSizeF(300, 900) << 1.0;
        QTest::newRow("zoomed in") << QSizeF(800, 600) << 7.5;
    }

    // One µm is as many pixels across as up, whatever the cells' shape, and
    // pixels map back to the same in-plane point.
    void layoutKeepsTrueAspect()
    {
        QFETCH(QSizeF, size);
        QFETCH(double, zoom);
        const Section s = trenchSection();
        SectionPicture::Options options;
        const SectionPicture::Layout layout = SectionPicture::zoomed(s, size, options, zoom, QPointF(10.0, 5.0));
        QVERIFY(layout.frame.width() > 0 && layout.frame.height() > 0);
        QCOMPARE(layout.plot.width() / layout.plot.height(), 20.0 / 10.0);
        const QPointF a = layout.toPixels(s, 3.0, 4.0);
        const QPointF b = layout.toPixels(s, 4.0, 5.0);
        QCOMPARE(b.x() - a.x(), a.y() - b.y());
        const QPointF back = layout.toSection(s, a);
        QVERIFY(std::abs(back.x() - 3.0) < 1e-9 && std::abs(back.y() - 4.0) < 1e-9);
        // The point asked for lies in the middle of the frame.
        const QPointF centre = layout.toPixels(s, 10.0, 5.0);
        QVERIFY(std::abs(centre.x() - layout.frame.center().x()) < 1e-6);
        QVERIFY(std::abs(centre.y() - layout.frame.center().y()) < 1e-6);
        if (zoom == 1.0)
            QVERIFY(layout.frame.adjusted(-0.5, -0.5, 0.5, 0.5).contains(layout.plot));
    }

    void cellImageIsUpright()
    {
        const Section s = trenchSection();
        const QImage image = SectionPicture::cellImage(s);
        QCOMPARE(image.size(), QSize(40, 40));
        const QColor silicon = Model::Materials::MaterialLegend::entry(1).color;
        const QColor oxide = Model::Materials::MaterialLegend::entry(3).color;
        // Row 0 of the image is the top of the section: empty above 7 µm.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(QColor(image.pixel(0, 39)).rgb(), QColor(silicon.red(), silicon.green(), silicon.blue()).rgb());
        QCOMPARE(QColor(image.pixel(0, 40 - 25)).rgb(), QColor(oxide.red(), oxide.green(), oxide.blue()).rgb());
        QCOMPARE(qAlpha(image.pixel(20, 30)), 0); // inside the trench
    }

    void picturesReadBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("png") << "section.png";
        QTest::newRow("svg") << "section.svg";
    }

    void picturesReadBack()
    {
        QFETCH(QString, name);
        const Section s = trenchSection();
        QString error;
        const Trench trench = *TrenchMetrics::measure(s, {}, &error);
        SectionPicture::Options options;
        options.trench = &trench;
        options.ruler = SectionPicture::Ruler{QPointF(8, 2), QPointF(12, 6), QStringLiteral("5.66 µm")};
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY2(SectionExport::writePicture(s, path, options, &error), qPrintable(error));
        const QSize expected = SectionPicture::fileSize(s, options);
        QVERIFY(expected.width() > 1000 && expected.height() > 500);
        QImage image;
        if (name.endsWith(QLatin1String(".svg"))) {
            QSvgRenderer renderer(path);
            QVERIFY(renderer.isValid());
            // Lengths in CSS pixels: 96 to the inch, the viewBox one unit a pixel.
            QCOMPARE(renderer.viewBox(), QRect(QPoint(0, 0), expected));
            const QSizeF shown = renderer.defaultSize();
            QVERIFY(std::abs(shown.width() / shown.height() - double(expected.width()) / expected.height()) < 0.01);
            image = QImage(expected, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            renderer.render(&painter);
        } else {
            QVERIFY(image.load(path));
            QCOMPARE(image.size(), expected);
        }
        // A point inside the silicon and one inside the trench, through the same
        // layout the file was drawn with, show silicon and the frame's backdrop.
        const SectionPicture::Layout layout = SectionPicture::fit(s, QSizeF(expected), options);
        const QColor silicon = Model::Materials::MaterialLegend::entry(1).color;
        const QPoint inSilicon = layout.toPixels(s, 3.25, 3.125).toPoint();
        const QColor seen = image.pixelColor(inSilicon);
        QVERIFY2(std::abs(seen.red() - silicon.red()) < 3 && std::abs(seen.green() - silicon.green()) < 3,
                 qPrintable(seen.name()));
        QCOMPARE(image.pixelColor(layout.toPixels(s, 10.25, 9.125).toPoint()), QColor(236, 240, 245));
    }

    void csvRoundTrip()
    {
        const Section s = trenchSection();
        const QList<QByteArray> rows = csvRows(SectionExport::csv(s));
        QCOMPARE(rows.size(), 2 + int(s.height));
        QVERIFY(rows[0].startsWith("# Kestrum section y = 1 um"));
        const QList<QByteArray> header = rows[1].split(',');
        QCOMPARE(header.size(), 1 + int(s.width));
        QCOMPARE(header[0], QByteArray("z\\x"));
        QCOMPARE(header[1].toDouble(), 0.25);
        QCOMPARE(header.last().toDouble(), 19.75);
        for (std::uint32_t r = 0; r < s.height; ++r) {
            const QList<QByteArray> cells = rows[2 + int(r)].split(',');
            const std::uint32_t v = s.height - 1 - r;
            QCOMPARE(cells[0].toDouble(), (v + 0.5) * 0.25);
            for (std::uint32_t u = 0; u < s.width; ++u)
                QCOMPARE(cells[1 + int(u)].toUInt(), s.id(u, v));
        }
    }

    void refusedFilesKeepWhatWasThere_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown suffix") << "section.jpg" << "is saved as .png or .svg";
        QTest::newRow("png in a missing folder") << "missing/section.png" << "could not be written";
        QTest::newRow("svg in a missing folder") << "missing/section.svg" << "could not be written";
        QTest::newRow("csv in a missing folder") << "missing/section.csv" << "could not be written";
    }

    void refusedFilesKeepWhatWasThere()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        const Section s = trenchSection();
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QString error;
        const bool written = name.endsWith(QLatin1String(".csv")) ? SectionExport::writeCsv(s, path, &error)
                                                                  : SectionExport::writePicture(s, path, {}, &error);
        QVERIFY(!written);
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestSectionPicture)
#include "tst_sectionpicture.moc"
