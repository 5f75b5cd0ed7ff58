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

#include <QtTest>

#include <type_traits>
#include <typeinfo>

class TestOperationFactory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { window = new Ui::MainWindow; }
    void cleanupTestCase() { delete window; }
    void builtOperations_data();
    void builtOperations();
    void unknownIds_data();
    void unknownIds();

private:
    Ui::MainWindow *window = nullptr;
};

namespace {

// An empty observer type: the operation has no options observer.
template <typename Op, typename Obs = void>
void builtRow(const char *tag, std::uint32_t id)
{
    QTest::newRow(tag) << id << QByteArray(typeid(Op).name())
                       << (std::is_void<Obs>::value ? QByteArray() : QByteArray(typeid(Obs).name()));
}

} // namespace

void TestOperationFactory::builtOperations_data()
{
    using namespace Core::Operations;
    using namespace Ui::Observers;
    QTest::addColumn<std::uint32_t>("id");
    QTest::addColumn<QByteArray>("operationType");
    QTest::addColumn<QByteArray>("observerType");
    builtRow<CreateSubstrateOperation, CreateSubstrateObserver>("Create Substrate", 2);
    builtRow<SaveDocumentOperation, DocumentSavedObserver>("Save", 9);
    builtRow<SaveDocumentAsOperation, DocumentSavedObserver>("Save As", 10);
    builtRow<OpenDocumentOperation>("Open", 11); // its observer sits in a class-wide slot
    builtRow<IsotropicFilmDepositionOperation, IsotropicFilmDepositionObserver>("CVD", 13);
    builtRow<IsotropicFilmEtchingOperation, IsotropicFilmEtchingObserver>("Isotropic Etching", 14);
}

void TestOperationFactory::builtOperations()
{
    QFETCH(std::uint32_t, id);
    QFETCH(QByteArray, operationType);
    QFETCH(QByteArray, observerType);
    auto operation = window->getPresenter()->getWorkspace()->getOperationFactory()->createOperation(id);
    QVERIFY(operation);
    QCOMPARE(QByteArray(typeid(*operation).name()), operationType);
    QCOMPARE(operation->getWorkspace(), window->getPresenter()->getWorkspace());
    auto observer = operation->getObserver();
    QCOMPARE(observer ? QByteArray(typeid(*observer).name()) : QByteArray(), observerType);
}

void TestOperationFactory::unknownIds_data()
{
    QTest::addColumn<std::uint32_t>("id");
    for (std::uint32_t id : {0u, 21u, 1001u, 4294967295u})
        QTest::newRow(qPrintable(QString::number(id))) << id;
}

void TestOperationFactory::unknownIds()
{
    QFETCH(std::uint32_t, id);
    Ui::OperationFactory factory(window->getPresenter());
    QVERIFY(!factory.createOperation(id));
    QVERIFY(!Ui::OperationFactory::builtIds().contains(id));
}

QTEST_MAIN(TestOperationFactory)
#include "tst_operationfactory.moc"
