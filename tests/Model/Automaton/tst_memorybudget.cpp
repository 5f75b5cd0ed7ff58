#include "Model/Automaton/MemoryBudget.h"

#include <QtTest>

using Model::Automaton::MemoryBudget;
using Figures = MemoryBudget::SystemFigures;

Q_DECLARE_METATYPE(Figures)

namespace {

constexpr std::uint64_t MiB = std::uint64_t(1) << 20;
constexpr std::uint64_t GiB = std::uint64_t(1) << 30;

const QByteArray meminfo8G = "MemTotal:       16000000 kB\nMemFree:         1000000 kB\n"
                             "MemAvailable:    8388608 kB\nBuffers:          100 kB\n";

Figures figures(const QByteArray &meminfo, std::uint64_t addressLimit = 0, const QByteArray &statm = QByteArray(),
                QVector<Figures::Cgroup> cgroups = {}, std::uint64_t physical = 0)
{
    Figures f;
    f.meminfo = meminfo;
    f.addressLimit = addressLimit;
    f.statm = statm;
    f.cgroups = std::move(cgroups);
    f.physical = physical;
    return f;
}

} // namespace

class TestMemoryBudget : public QObject
{
    Q_OBJECT

private slots:
    void availableFrom_data();
    void availableFrom();
    void cgroupDirectories_data();
    void cgroupDirectories();
};

void TestMemoryBudget::availableFrom_data()
{
    QTest::addColumn<Figures>("figures");
    QTest::addColumn<quint64>("available");
    QTest::newRow("MemAvailable alone") << figures(meminfo8G) << quint64(8 * GiB);
    QTest::newRow("no MemAvailable: the physical memory") << figures("MemTotal: 1 kB\n", 0, {}, {}, 2 * GiB)
                                                          << quint64(2 * GiB);
    QTest::newRow("nothing known") << figures(QByteArray()) << ~quint64(0);
    // 6 GiB of address space, 1.5 GiB of it (393216 pages of 4 KiB) in use.
    QTest::newRow("address-space limit below MemAvailable")
        << figures(meminfo8G, 6 * GiB, "393216 20000 3000 100 0 5000 0\n") << quint64(4 * GiB + 512 * MiB);
    QTest::newRow("address-space limit above MemAvailable") << figures(meminfo8G, 64 * GiB, "1000 1 1 1 0 1 0")
                                                            << quint64(8 * GiB);
    QTest::newRow("address space used beyond the limit") << figures(meminfo8G, GiB, "524288 1 1 1 0 1 0")
                                                         << quint64(0);
    QTest::newRow("address-space limit, statm unreadable") << figures(meminfo8G, GiB, "garbage") << quint64(GiB);
    QTest::newRow("cgroup v2 limit") << figures(meminfo8G, 0, {}, {{"2147483648\n", "536870912\n"}})
                                     << quint64(GiB + 512 * MiB);
    QTest::newRow("cgroup v2 without limit") << figures(meminfo8G, 0, {}, {{"max\n", "536870912\n"}})
                                             << quint64(8 * GiB);
    QTest::newRow("cgroup v1 unlimited") << figures(meminfo8G, 0, {}, {{"9223372036854771712\n", "1000\n"}})
                                         << quint64(8 * GiB);
    QTest::newRow("cgroup usage above its limit") << figures(meminfo8G, 0, {}, {{"1000", "2000"}}) << quint64(0);
    QTest::newRow("cgroup without usage file") << figures(meminfo8G, 0, {}, {{"1073741824", ""}}) << quint64(GiB);
    QTest::newRow("cgroup v2: inactive file cache is given back")
        << figures(meminfo8G, 0, {}, {{"2147483648", "2147483648", "anon 536870912\nfile 1610612736\ninactive_file 1073741824\n"}})
        << quint64(GiB);
    QTest::newRow("cgroup v1: the hierarchy's total inactive file cache")
        << figures(meminfo8G, 0, {}, {{"2147483648", "2147483648", "inactive_file 1\ntotal_inactive_file 536870912\n"}})
        << quint64(512 * MiB);
    QTest::newRow("cache beyond the use counts as none used")
        << figures(meminfo8G, 0, {}, {{"1073741824", "100", "inactive_file 5000\n"}}) << quint64(GiB);
    QTest::newRow("a parent cgroup limits more than the own one")
        << figures(meminfo8G, 0, {}, {{"max", "100"}, {"4294967296", "3221225472"}}) << quint64(GiB);
    QTest::newRow("the least of all three")
        << figures(meminfo8G, 6 * GiB, "262144 1 1 1 0 1 0", {{"3221225472", "0"}}) << quint64(3 * GiB);
}

void TestMemoryBudget::availableFrom()
{
    QFETCH(Figures, figures);
    QFETCH(quint64, available);
    QCOMPARE(quint64(MemoryBudget::availableFrom(figures)), available);
}

void TestMemoryBudget::cgroupDirectories_data()
{
    QTest::addColumn<QByteArray>("selfCgroup");
    QTest::addColumn<QStringList>("directories");
    QTest::addColumn<bool>("version2");
    const QString r = QStringLiteral("/sys/fs/cgroup");
    QTest::newRow("v2 at the root") << QByteArray("0::/\n") << QStringList{r} << true;
    QTest::newRow("v2 nested") << QByteArray("0::/user.slice/app.scope\n")
                               << QStringList{r + "/user.slice/app.scope", r + "/user.slice", r} << true;
    QTest::newRow("v1 memory controller")
        << QByteArray("12:pids:/a\n5:cpu,cpuacct:/a\n4:memory:/docker/abc\n1:name=systemd:/a\n")
        << QStringList{r + "/memory/docker/abc", r + "/memory/docker", r + "/memory"} << false;
    QTest::newRow("hybrid: the v1 memory controller wins") << QByteArray("0::/x\n7:memory:/y\n")
                                                          << QStringList{r + "/memory/y", r + "/memory"} << false;
    QTest::newRow("no memory controller") << QByteArray("3:cpu:/a\n") << QStringList() << false;
    QTest::newRow("empty") << QByteArray() << QStringList() << false;
    QTest::newRow("a path that climbs") << QByteArray("0::/../../etc\n") << QStringList{r + "/etc", r} << true;
}

void TestMemoryBudget::cgroupDirectories()
{
    QFETCH(QByteArray, selfCgroup);
    QFETCH(QStringList, directories);
    QFETCH(bool, version2);
    bool v2 = !version2;
    QCOMPARE(MemoryBudget::cgroupDirectories(selfCgroup, QStringLiteral("/sys/fs/cgroup"), v2), directories);
    if (!directories.isEmpty())
        QCOMPARE(v2, version2);
}

QTEST_GUILESS_MAIN(TestMemoryBudget)
#include "tst_memorybudget.moc"
