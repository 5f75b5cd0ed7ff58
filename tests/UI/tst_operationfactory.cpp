#include "Core/Operations/CreateSubstrateOperation.h"
#include "Core/Operations/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/IsotropicFilmEtchingOperation.h"
#include "Core/Operations/OpenDocumentOperation.h"
#include "Core/Operations/SaveDocumentAsOperation.h"
#include "Core/Operations/SaveDocumentOperation.h"
#include "Core/Operations/Operation.h"
#include "Core/Workspace.h"
#include "Util/IObserver.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Observers/CreateSubstrateObserver.h"
#include "UI/Observers/DocumentSavedObserver.h"
#include "UI/Observers/IsotropicFilmDepositionObserver.h"
#include "UI/Observers/IsotropicFilmEtchingObserver.h"
#include "UI/OperationFactory.h"
#include "UI/OperationMapper.h"

#include <QAction>
#include <QtTest>

#include <typeinfo>

class TestOperationFactory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void builtOperations_data();
    void builtOperations();
    void everyBuiltIdIsChecked();
    void unknownIds_data();
    void unknownIds();
    void mapperSendsMappedText();

private:
    Ui::MainWindow *window = nullptr;
    QHash<std::uint32_t, bool> checkedIds;
};

void TestOperationFactory::initTestCase()
{
    window = new Ui::MainWindow;
}

void TestOperationFactory::cleanupTestCase()
{
    delete window;
}

void TestOperationFactory::builtOperations_data()
{
    QTest::addColumn<std::uint32_t>("id");
    QTest::addColumn<QByteArray>("operationType");
    QTest::addColumn<QByteArray>("observerType");
    // One row per operation as it joins the program; an empty observer type
    // means the operation has no options observer.
    QTest::newRow("2 Create Substrate") << std::uint32_t(2)
                                        << QByteArray(typeid(Core::Operations::CreateSubstrateOperation).name())
                                        << QByteArray(typeid(Ui::Observers::CreateSubstrateObserver).name());
    QTest::newRow("9 Save") << std::uint32_t(9) << QByteArray(typeid(Core::Operations::SaveDocumentOperation).name())
                            << QByteArray(typeid(Ui::Observers::DocumentSavedObserver).name());
    QTest::newRow("10 Save As") << std::uint32_t(10)
                                << QByteArray(typeid(Core::Operations::SaveDocumentAsOperation).name())
                                << QByteArray(typeid(Ui::Observers::DocumentSavedObserver).name());
    // Open keeps its observer in a class-wide slot, not on the operation.
    QTest::newRow("11 Open") << std::uint32_t(11) << QByteArray(typeid(Core::Operations::OpenDocumentOperation).name())
                             << QByteArray();
    QTest::newRow("13 CVD") << std::uint32_t(13)
                            << QByteArray(typeid(Core::Operations::IsotropicFilmDepositionOperation).name())
                            << QByteArray(typeid(Ui::Observers::IsotropicFilmDepositionObserver).name());
    QTest::newRow("14 Isotropic Etching")
        << std::uint32_t(14) << QByteArray(typeid(Core::Operations::IsotropicFilmEtchingOperation).name())
        << QByteArray(typeid(Ui::Observers::IsotropicFilmEtchingObserver).name());
}

void TestOperationFactory::builtOperations()
{
    QFETCH(std::uint32_t, id);
    QFETCH(QByteArray, operationType);
    QFETCH(QByteArray, observerType);
    if (operationType.isEmpty())
        QSKIP("no operation to check in this row");
    checkedIds[id] = true;
    auto operation = window->getPresenter()->getWorkspace()->getOperationFactory()->createOperation(id);
    QVERIFY(operation);
    QCOMPARE(QByteArray(typeid(*operation).name()), operationType);
    QCOMPARE(operation->getWorkspace(), window->getPresenter()->getWorkspace());
    auto observer = operation->getObserver();
    if (observerType.isEmpty()) {
        QVERIFY(!observer);
    } else {
        QVERIFY(observer);
        QCOMPARE(QByteArray(typeid(*observer).name()), observerType);
    }
}

void TestOperationFactory::everyBuiltIdIsChecked()
{
    for (std::uint32_t id : Ui::OperationFactory::builtIds())
        QVERIFY2(checkedIds.contains(id), qPrintable(QStringLiteral("id %1 has no row").arg(id)));
}

void TestOperationFactory::unknownIds_data()
{
    QTest::addColumn<std::uint32_t>("id");
    for (std::uint32_t id : {0u, 5u, 21u, 25u, 31u, 999u, 1001u, 4294967295u})
        QTest::newRow(qPrintable(QString::number(id))) << id;
}

void TestOperationFactory::unknownIds()
{
    QFETCH(std::uint32_t, id);
    Ui::OperationFactory factory(window->getPresenter());
    QVERIFY(!factory.createOperation(id));
    QVERIFY(!Ui::OperationFactory::builtIds().contains(id));
}

void TestOperationFactory::mapperSendsMappedText()
{
    Ui::OperationMapper mapper;
    QAction cvd(QStringLiteral("CVD"));
    QAction front(QStringLiteral("Front View"));
    QAction unmapped(QStringLiteral("Other"));
    mapper.map(&cvd, 13u);
    mapper.map(&front, QStringLiteral("front"));
    QSignalSpy spy(&mapper, &Ui::OperationMapper::activated);
    cvd.trigger();
    unmapped.trigger();
    front.trigger();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("13"));
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("front"));
}

QTEST_MAIN(TestOperationFactory)
#include "tst_operationfactory.moc"
