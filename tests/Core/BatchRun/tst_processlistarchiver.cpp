#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/ProcessTable.h"
#include "Model/Mutations.h"
#include "Model/TempHome.h"
#include "Util/BitVector.h"
#include "Util/Vector3D.h"

#include <QBuffer>
#include <QColor>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using Core::BatchRun::ProcessData;
using Core::BatchRun::ProcessListArchiver;

namespace {

QString dataFile(const char *name)
{
    return QStringLiteral(KESTRUM_TEST_DATA_DIR "/processlists/") + QLatin1String(name);
}

Util::BitVector bits(const char *pattern)
{
    Util::BitVector result(std::strlen(pattern));
    for (std::size_t i = 0; pattern[i]; ++i)
        result.set(i, pattern[i] == '1');
    return result;
}

// Equal values of the same kind; QVariant's own comparison does not know the
// project's types.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.userType() != b.userType())
        return false;
    if (a.userType() == qMetaTypeId<Util::BitVector>())
        return a.value<Util::BitVector>() == b.value<Util::BitVector>();
    if (a.userType() == qMetaTypeId<Util::Vector3D>())
        return a.value<Util::Vector3D>() == b.value<Util::Vector3D>();
    return a == b;
}

ProcessData cvdStep()
{
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Cvd));
    step.setParameter(QStringLiteral("Thickness"), 10.0, true);
    step.setParameter(QStringLiteral("MaterialId"), 3u, false);
    step.setParameter(QStringLiteral("Material"), QStringLiteral("Thermal Si02"), true);
    // Material colour (0.5, 0.5, 1.0) times 255, truncated.
    step.setParameter(QStringLiteral("Material_Color"), QColor(127, 127, 255), false);
    return step;
}

} // namespace

class TestProcessListArchiver : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void goldenFile();
    void readingRules();
    void damagedFiles();

private:
    QTemporaryDir folder;
};

void TestProcessListArchiver::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("kind");
    QTest::newRow("bool true") << QVariant(true) << true << "bool";
    QTest::newRow("int") << QVariant(-2147483647 - 1) << true << "int";
    QTest::newRow("uint") << QVariant(4294967295u) << false << "uint";
    QTest::newRow("float") << QVariant(0.1f) << true << "float";
    QTest::newRow("double, extreme") << QVariant(-1.7976931348623157e308) << false << "double";
    QTest::newRow("string") << QVariant(QStringLiteral("<a & \"b\"> 'c'\tµ√")) << true << "QString";
    QTest::newRow("colour") << QVariant(QColor(1, 128, 255)) << false << "QColor";
    QTest::newRow("vector, ten digits") << QVariant::fromValue(Util::Vector3D(123456.7891, 0, -1e+20))
                                        << true << "Util::Vector3D";
    QTest::newRow("mask 2 x 3") << QVariant::fromValue(bits("101100")) << false << "vector";
}

void TestProcessListArchiver::roundTrip()
{
    QFETCH(QVariant, value);
    QFETCH(bool, visible);
    QFETCH(QString, kind);
    QCOMPARE(ProcessListArchiver::kindOf(value), kind);

    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate));
    step.setParameter(QStringLiteral("Value"), value, visible);
    step.setParameter(QStringLiteral("Other"), 7, !visible);
    const QString path = folder.filePath(QStringLiteral("roundtrip.plst"));
    QVERIFY(ProcessListArchiver({cvdStep(), step}).saveProcessList(path));

    QList<ProcessData> loaded;
    QVERIFY(ProcessListArchiver().loadProcessList(path, loaded));
    QCOMPARE(loaded.size(), 2);
    const ProcessData &back = loaded[1];
    QCOMPARE(back.getType(), std::int32_t(Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate)));
    QVERIFY(back.getId() != step.getId());
    QCOMPARE(back.getParameters().keys(), (QStringList{QStringLiteral("Other"), QStringLiteral("Value")}));
    const QVariant read = back.getParameter(QStringLiteral("Value"));
    QVERIFY2(sameValue(read, value), qPrintable(ProcessListArchiver::textOf(read)));
    QCOMPARE(back.isVisible(QStringLiteral("Value")), visible);
    QCOMPARE(back.isVisible(QStringLiteral("Other")), !visible);
    QCOMPARE(back.getParameter(QStringLiteral("Other")), QVariant(7));
}

// Written byte for byte as the hand-made file, which reads back.
void TestProcessListArchiver::goldenFile()
{
    const QString path = folder.filePath(QStringLiteral("golden.plst"));
    QVERIFY(ProcessListArchiver({cvdStep()}).saveProcessList(path));
    QCOMPARE(TestFiles::read(path), TestFiles::read(dataFile("cvd.plst")));
    QList<ProcessData> loaded;
    QVERIFY(ProcessListArchiver().loadProcessList(dataFile("cvd.plst"), loaded));
    QCOMPARE(loaded.size(), 1);
}

void TestProcessListArchiver::readingRules()
{
    QList<ProcessData> loaded;
    QVERIFY(ProcessListArchiver().loadProcessList(dataFile("handwritten.plst"), loaded));
    QCOMPARE(loaded.size(), 3);

    const ProcessData &cvd = loaded[0];
    QCOMPARE(cvd.getType(), std::int32_t(Core::ProcessTable::listCode(Core::ProcessKey::Cvd)));
    QCOMPARE(cvd.getParameters().keys(),
             (QStringList{"Blob", "Corner", "Count", "Material", "MaterialId", "Thickness"}));
    // A repeated name replaces the earlier parameter, visibility included.
    QCOMPARE(cvd.getParameter("Thickness"), QVariant(3.0));
    QVERIFY(!cvd.isVisible("Thickness"));
    // Missing or empty visibility means visible; only the exact "true" counts otherwise.
    QVERIFY(cvd.isVisible("MaterialId"));
    QVERIFY(!cvd.isVisible("Material"));
    QVERIFY(cvd.isVisible("Corner"));
    // Unknown kinds and texts their kind cannot read give empty values.
    for (const char *name : {"Blob", "Corner", "Count"})
        QVERIFY2(!cvd.getParameter(name).isValid(), name);
}

// Every prefix of a valid list and a fuzzer's damage to it: each loads or
// fails cleanly, and a failed load leaves the list alone.
void TestProcessListArchiver::damagedFiles()
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    ProcessData masks(Core::ProcessTable::listCode(Core::ProcessKey::Photolithography));
    masks.setParameter(QStringLiteral("Top Mask"), QVariant::fromValue(bits("101100")), false);
    masks.setParameter(QStringLiteral("Corner"), QVariant::fromValue(Util::Vector3D(1, 2, 3)), true);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(ProcessListArchiver({cvdStep(), masks}).saveProcessList(buffer));
    const QByteArray valid = buffer.data();

    auto usable = [](QByteArray bytes) {
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        QList<ProcessData> list{ProcessData(Core::ProcessTable::listCode(Core::ProcessKey::SaveImage))};
        if (!ProcessListArchiver().loadProcessList(in, list))
            return list.size() == 1 && list[0].getType() == Core::ProcessTable::listCode(Core::ProcessKey::SaveImage);
        return list.size() >= 1;
    };
    for (int length = 0; length <= valid.size(); ++length)
        QVERIFY2(usable(valid.left(length)), qPrintable(QString::number(length)));
    const QString refused = TestFiles::firstRefused(valid, 78u, usable, 3000);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
}

QTEST_GUILESS_MAIN(TestProcessListArchiver)
#include "tst_processlistarchiver.moc"
