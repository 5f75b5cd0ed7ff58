#include "Util/FloatText.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>

class TestFloatText : public QObject
{
    Q_OBJECT

private slots:
    void asEntered_data();
    void asEntered();
    void everyFloatReadsBack();
};

void TestFloatText::asEntered_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("small") << 1e-5f << "1e-05";
    QTest::newRow("below a million stays plain") << 23290.f << "23290";
    QTest::newRow("seven digits") << 123456.7f << "123456.7";
    // The float just above 0.28 needs eight digits; 4.150231e8 seven.
    QTest::newRow("next float after 0.28") << std::nextafter(0.28f, 1.f) << "0.28000003";
    QTest::newRow("seven digits beyond a million") << 4.150231e8f << "4.150231e+08";
    QTest::newRow("negative") << -3.5e-3f << "-0.0035";
    QTest::newRow("infinity") << INFINITY << "inf";
}

void TestFloatText::asEntered()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(Util::floatText(value), text);
}

// Whatever the float, its text reads back as that float.
void TestFloatText::everyFloatReadsBack()
{
    QRandomGenerator random(7);
    for (int k = 0; k < 20000; ++k) {
        const quint32 bits = random.generate();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            continue;
        const QString text = Util::floatText(value);
        QVERIFY2(text.toFloat() == value, qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestFloatText)
#include "tst_floattext.moc"
