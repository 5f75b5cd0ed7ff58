#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QtTest>

#include <random>

using Model::Automaton::TotalVolume;
using Model::Document;
using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Persistence::ArchiverRegistry;
using Model::Persistence::DocumentReader;
using Model::Persistence::DocumentWriter;

// Damaged documents: every prefix of a valid file and thousands of randomly
// flipped bytes must load or fail cleanly, never crash or hang.
class TestDocumentRobustness : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void truncatedFiles();
    void flippedBytes_data();
    void flippedBytes();

private:
    void resetCatalogue();
    // Reads the bytes and checks that whatever was loaded is consistent.
    void readAndCheck(const QByteArray &bytes);

    std::unique_ptr<ArchiverRegistry> registry;
    QByteArray valid;
};

void TestDocumentRobustness::resetCatalogue()
{
    // A small catalogue keeps the file short; id 5 differs from the file's.
    auto catalogue = MaterialFactory::getInstance();
    catalogue->loadDefaultMaterials();
    for (const Material &material : catalogue->getMaterials()) {
        if (material.getId() > 5)
            catalogue->removeMaterial(material.getId());
    }
}

void TestDocumentRobustness::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    registry = std::make_unique<ArchiverRegistry>();
    resetCatalogue();
    Document document;
    document.addObject(std::make_shared<TotalVolume>(
        3, 2, 2, 0.5f, 1.f, 2.5e-07f, Util::Vector3D(1, 2, 3),
        std::vector<std::uint32_t>{1, 0, 3, 3, 4, 5, 1, 1, 0, 0, 5, 12}));
    document.addObject(std::make_shared<TotalVolume>(1, 1, 2, 1.f, 1.f, 1.f, Util::Vector3D(),
                                                     std::vector<std::uint32_t>{7, 1}));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(DocumentWriter(*registry).write(document, buffer).ok);
    valid = buffer.data();
    // The file's copper gets another name, so loading it exercises the id map.
    valid.replace("Cu (bulk)", "Bronze");
    QVERIFY(valid.size() < 2000);

    // The intact file loads both volumes, the second through the id map.
    resetCatalogue();
    QBuffer input;
    input.setData(valid);
    input.open(QIODevice::ReadOnly);
    Document loaded;
    const auto result = DocumentReader(*registry).read(loaded, input);
    QVERIFY(result.ok);
    QCOMPARE(result.objectsLoaded, 2);
    const auto first = std::dynamic_pointer_cast<TotalVolume>(loaded.getAllObjects().first());
    QVERIFY(first->materialIds()[5] >= 2000);
}

void TestDocumentRobustness::readAndCheck(const QByteArray &bytes)
{
    resetCatalogue();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Document document;
    const auto result = DocumentReader(*registry).read(document, buffer);
    const auto objects = document.getAllObjects();
    if (!result.ok) {
        QVERIFY(!result.errorMessage.isEmpty());
        QCOMPARE(objects.size(), 0);
        return;
    }
    QCOMPARE(objects.size(), result.objectsLoaded);
    for (const auto &object : objects) {
        const auto volume = std::dynamic_pointer_cast<TotalVolume>(object);
        QVERIFY(volume);
        QVERIFY(volume->getCellCount() > 0);
        QCOMPARE(volume->getCellCount(),
                 std::size_t(volume->getSizeX()) * volume->getSizeY() * volume->getSizeZ());
        QVERIFY(volume->getCellSizeX() > 0 && std::isfinite(volume->getCellSizeX()));
        QVERIFY(std::isfinite(volume->getPosition().x));
        QCOMPARE(volume->materialIds().size(), volume->getCellCount());
    }
}

void TestDocumentRobustness::truncatedFiles()
{
    for (int length = 0; length <= valid.size(); ++length) {
        readAndCheck(valid.left(length));
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("prefix of %1 bytes").arg(length)));
    }
}

void TestDocumentRobustness::flippedBytes_data()
{
    QTest::addColumn<int>("flipsPerFile");
    QTest::addColumn<bool>("anyByte");
    QTest::newRow("one bit") << 1 << false;
    QTest::newRow("three bits") << 3 << false;
    QTest::newRow("one random byte") << 1 << true;
    QTest::newRow("five random bytes") << 5 << true;
}

void TestDocumentRobustness::flippedBytes()
{
    QFETCH(int, flipsPerFile);
    QFETCH(bool, anyByte);
    std::mt19937 random(20240601u + std::uint32_t(flipsPerFile) * 2 + anyByte);
    for (int round = 0; round < 1000; ++round) {
        QByteArray bytes = valid;
        for (int i = 0; i < flipsPerFile; ++i) {
            const int at = int(random() % std::uint32_t(bytes.size()));
            if (anyByte)
                bytes[at] = char(random() & 0xFF);
            else
                bytes[at] = char(bytes[at] ^ (1 << (random() % 8)));
        }
        readAndCheck(bytes);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(QString::fromLatin1(bytes.toBase64()))));
    }
}

QTEST_GUILESS_MAIN(TestDocumentRobustness)
#include "tst_documentrobustness.moc"
