#include "GuiTestSupport.h"

#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/VolumeExport.h"
#include "UI/DialogMemory.h"
#include "UI/FileNames.h"
#include "UI/MainWindowPresenter.h"

#include <QtTest>
#include <QtWidgets>

using GuiTestSupport::child;
using Model::Automaton::TotalVolume;
using Ui::DialogMemory;

namespace {

// A form with one field of every kind the memory keeps: offset (limited by
// size, which comes after it), size, length, material (entries carry ids),
// mode (text only), flag, two radio buttons, a name, a read-only line and one
// the dialog keeps to itself.
class TestForm : public QDialog
{
public:
    TestForm(const QVector<uint> &materials, const QString &name = QStringLiteral("TestForm"))
    {
        setObjectName(name);
        size->setRange(1, 100);
        size->setValue(10);
        offset->setMaximum(0);
        connect(size, qOverload<int>(&QSpinBox::valueChanged), offset, [this](int s) { offset->setMaximum(100 - s); });
        length->setValue(10.0);
        for (uint id : materials)
            material->addItem(QStringLiteral("material %1").arg(id), id);
        mode->addItems({QStringLiteral("fast"), QStringLiteral("slow")});
        first->setChecked(true);
        shown->setText(QStringLiteral("computed"));
        shown->setReadOnly(true);
        own->setText(QStringLiteral("own"));
        DialogMemory::attach(this, {QStringLiteral("own")});
    }

    QStringList state() const
    {
        return {QString::number(offset->value()), QString::number(size->value()), QString::number(length->value()),
                material->currentData().toString(), mode->currentText(), flag->isChecked() ? "on" : "off",
                first->isChecked() ? "first" : "second", label->text(), shown->text(), own->text()};
    }

    template <class W>
    W *add(const char *name)
    {
        auto *field = new W(this);
        field->setObjectName(QLatin1String(name));
        return field;
    }
    QSpinBox *offset = add<QSpinBox>("offset"), *size = add<QSpinBox>("size");
    QDoubleSpinBox *length = add<QDoubleSpinBox>("length");
    QComboBox *material = add<QComboBox>("material"), *mode = add<QComboBox>("mode");
    QCheckBox *flag = add<QCheckBox>("flag");
    QRadioButton *first = add<QRadioButton>("first"), *second = add<QRadioButton>("second");
    QLineEdit *label = add<QLineEdit>("label"), *shown = add<QLineEdit>("shown"), *own = add<QLineEdit>("own");
};

using Change = std::function<void(TestForm &)>;
// Field names and values, set in this order.
using Fields = QVector<QPair<QString, QVariant>>;

const QVector<uint> catalogue{2, 5, 9};
const QStringList defaults{"0", "10", "10", "2", "fast", "off", "first", "", "computed", "own"};

void fillEverything(TestForm &f)
{
    f.size->setValue(30);
    f.offset->setValue(60);
    f.length->setValue(2.5);
    f.material->setCurrentIndex(f.material->findData(9u));
    f.mode->setCurrentText(QStringLiteral("slow"));
    f.flag->setChecked(true);
    f.second->setChecked(true);
    f.label->setText(QStringLiteral("wafer A"));
    f.shown->setText(QStringLiteral("changed"));
    f.own->setText(QStringLiteral("changed"));
}

const QStringList everything{"60", "30", "2.5", "9", "slow", "on", "second", "wafer A", "computed", "own"};

// The value of a field of a real options dialog, set to `value` first unless
// that is invalid.
QVariant field(QWidget *dialog, const QString &name, const QVariant &value = {})
{
    QWidget *field = dialog->findChild<QWidget *>(name);
    if (!field)
        return QStringLiteral("no field %1").arg(name);
    if (auto *combo = qobject_cast<QComboBox *>(field)) {
        if (value.isValid())
            combo->setCurrentIndex(combo->findData(value));
        return combo->currentData();
    }
    if (value.isValid())
        field->setProperty("value", value);
    return field->property("value");
}

// 8 x 4 x 20 cells of 0.5 µm in z: silicon `low` cells high for x < 4, `high` cells beyond.
std::shared_ptr<TotalVolume> steppedVolume(std::uint32_t low, std::uint32_t high)
{
    const auto step = [=](auto x, auto, auto z) { return z < (x < 4 ? low : high) ? 1u : 0u; };
    const auto ids = TestSupport::volumeFrom(8, 4, 20, step)->materialIds();
    return std::make_shared<TotalVolume>(8, 4, 20, 1.f, 1.f, 0.5f, Util::Vector3D(), ids);
}

// The kind's options dialog opened on `volume` in the real window, filled
// by `fill`, then accepted or rejected.
void openOptions(Ui::MainWindow &window, Core::ProcessKey kind, const QString &title,
                 const std::shared_ptr<TotalVolume> &volume, std::function<void(QDialog *)> fill, bool accept)
{
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    GuiTestSupport::answerDialog(title, fill, accept);
    workspace.getSelection().select(volume);
    workspace.activate(Core::ProcessTable::menuId(kind));
    workspace.cancelCurrent();
}

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Fields)
Q_DECLARE_METATYPE(Core::ProcessKey)

// Dialogs that remember what was accepted in them, the heights of the layer
// dialogs read as levels in cells and µm, and file names completed from the
// chosen filter.
class TestDialogMemory : public QObject
{
    Q_OBJECT

private slots:
    void init() { DialogMemory::forgetAll(); }
    void extensions_data();
    void extensions();
    void memory_data();
    void memory();
    void processDialogsRemember_data();
    void processDialogsRemember();
    void layerDialogsExplainHeights_data();
    void layerDialogsExplainHeights();
};

void TestDialogMemory::extensions_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("saved");
    const QString list = QStringLiteral("Process List (*.plst)");
    const QString images = QStringLiteral("Images (*.png *.xpm *.jpg)");
    QTest::newRow("bare name") << "/w/recipe" << list << "/w/recipe.plst";
    QTest::newRow("extension typed") << "/w/recipe.plst" << list << "/w/recipe.plst";
    QTest::newRow("extension in capitals") << "/w/RECIPE.PLST" << list << "/w/RECIPE.PLST";
    QTest::newRow("dotted name") << "/w/recipe.v2" << list << "/w/recipe.v2.plst";
    QTest::newRow("trailing dot") << "/w/recipe." << list << "/w/recipe.plst";
    QTest::newRow("dotted folder") << "/w/run.1/recipe" << list << "/w/run.1/recipe.plst";
    QTest::newRow("first of several patterns") << "/w/shot" << images << "/w/shot.png";
    QTest::newRow("another pattern typed") << "/w/shot.jpg" << images << "/w/shot.jpg";
    QTest::newRow("pattern outside the filter") << "/w/shot.bmp" << images << "/w/shot.bmp.png";
    QTest::newRow("filter without parentheses") << "/w/model" << "Circuit files *.cir" << "/w/model.cir";
    QTest::newRow("any file") << "/w/notes" << "All files (*)" << "/w/notes";
    QTest::newRow("no filter") << "/w/notes" << "" << "/w/notes";
    QTest::newRow("empty name") << "" << list << "";
    // Export offers three formats: a typed one wins over the selected filter.
    QTest::newRow("offered format typed") << "/w/part.vti" << "STL surfaces (*.stl)" << "/w/part.vti";
    QTest::newRow("bare name, STL") << "/w/part" << "STL surfaces (*.stl)" << "/w/part.stl";
}

void TestDialogMemory::extensions()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, saved);
    QCOMPARE(Ui::FileNames::withExtension(typed, filter, Model::Persistence::VolumeExport::filters()), saved);
}

void TestDialogMemory::memory_data()
{
    QTest::addColumn<Change>("fill");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QVector<uint>>("nextCatalogue");
    QTest::addColumn<QString>("nextName");
    QTest::addColumn<Change>("nextSetUp"); // what the caller does before showing the next dialog
    QTest::addColumn<QStringList>("expected");
    const Change all = fillEverything, none = [](TestForm &) {};
    const QString form = QStringLiteral("TestForm");
    const QVector<uint> shorter{2, 5};
    QTest::newRow("every kind of field comes back") << all << true << catalogue << form << none << everything;
    QTest::newRow("cancelled dialog leaves nothing") << all << false << catalogue << form << none << defaults;
    QStringList fallback = everything;
    fallback[3] = QStringLiteral("2");
    QTest::newRow("removed material falls back to the first entry")
        << all << true << shorter << form << none << fallback;
    QStringList moved = fallback;
    moved[3] = QStringLiteral("5");
    QTest::newRow("removed material keeps the dialog's own choice")
        << all << true << shorter << form << Change([](TestForm &f) { f.material->setCurrentIndex(1); }) << moved;
    QTest::newRow("another dialog starts from its form") << all << true << catalogue << "OtherForm" << none << defaults;
    QStringList narrowed = everything;
    narrowed[2] = QStringLiteral("1.5");
    QTest::newRow("limits set by the caller hold")
        << all << true << catalogue << form << Change([](TestForm &f) { f.length->setMaximum(1.5); }) << narrowed;
    QStringList firstRadio = defaults;
    firstRadio[5] = QStringLiteral("on");
    QTest::newRow("radio button back to the first")
        << Change([](TestForm &f) { f.flag->setChecked(true); }) << true << catalogue << form
        << Change([](TestForm &f) { f.second->setChecked(true); }) << firstRadio;
}

void TestDialogMemory::memory()
{
    QFETCH(Change, fill);
    QFETCH(bool, accept);
    QFETCH(QVector<uint>, nextCatalogue);
    QFETCH(QString, nextName);
    QFETCH(Change, nextSetUp);
    QFETCH(QStringList, expected);
    {
        TestForm first(catalogue);
        first.show();
        QCOMPARE(first.state(), defaults);
        fill(first);
        accept ? first.accept() : first.reject();
    }
    TestForm next(nextCatalogue, nextName);
    nextSetUp(next);
    next.show();
    QCOMPARE(next.state(), expected);
}

// Accepted values come back when the same process's dialog opens again in
// the real window; a cancelled second dialog changes nothing.
void TestDialogMemory::processDialogsRemember_data()
{
    QTest::addColumn<Core::ProcessKey>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Fields>("values");
    const uint second = Model::Materials::MaterialFactory::getInstance()->getMaterials().at(1).getId();
    QTest::newRow("CVD") << Core::ProcessKey::Cvd << "Isotropic Film Deposition"
                         << Fields{{"dblThickness", 2.5}, {"cbxMaterial", 3u}};
    QTest::newRow("Create Substrate with its cell size")
        << Core::ProcessKey::CreateSubstrate << "Create Substrate"
        << Fields{{"sbxTotalWidth", 12}, {"sbxTotalHeight", 9}, {"sbxSubsWidth", 7}, {"sbxSubsX", 3},
                  {"sbxSubsHeight", 4}, {"dblCellSizeX", 0.5}, {"dblCellSizeZ", 0.25}, {"cbxFilm", second}};
    QTest::newRow("planarization below the volume's height")
        << Core::ProcessKey::Planarization << "Planarization Options"
        << Fields{{"sbxMaximumHeight", 5}, {"sbxMinimumHeight", 1}};
}

void TestDialogMemory::processDialogsRemember()
{
    QFETCH(Core::ProcessKey, kind);
    QFETCH(QString, title);
    QFETCH(Fields, values);
    Ui::MainWindow window;
    auto volume = GuiTestSupport::volumeOf(6, 6, 10, GuiTestSupport::layeredIds(6, 6, 10, 3, 0));
    openOptions(window, kind, title, volume, [&](QDialog *dialog) {
        for (const auto &[name, value] : values)
            field(dialog, name, value);
    }, true);
    Fields shown;
    openOptions(window, kind, title, volume, [&](QDialog *dialog) {
        for (const auto &value : values)
            shown.append({value.first, field(dialog, value.first)});
    }, false);
    QCOMPARE(shown, values);
}

void TestDialogMemory::layerDialogsExplainHeights_data()
{
    QTest::addColumn<Core::ProcessKey>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("levelLabel");
    QTest::addColumn<int>("height");
    QTest::addColumn<QVector<std::uint32_t>>("surface"); // lowest and highest top, cells
    QTest::addColumn<QStringList>("texts");               // the level, then the surface
    const QString um = QStringLiteral(" \u00b5m");
    const QString stepped = "The surface lies between 6 and 12 cells (3\u20136" + um + ").";
    using Tops = QVector<std::uint32_t>;
    QTest::newRow("spin coating over a step")
        << Core::ProcessKey::SpinCoating << "Spin Coating Options" << "sbxHeight" << "lblHeightLevel" << 14
        << Tops{6, 12} << QStringList{"Level above the volume's bottom: 14 cells = 7" + um + ".", stepped};
    QTest::newRow("spin coating on an empty volume")
        << Core::ProcessKey::SpinCoating << "Spin Coating Options" << "sbxHeight" << "lblHeightLevel" << 3
        << Tops{0, 0}
        << QStringList{"Level above the volume's bottom: 3 cells = 1.5" + um + ".", "The volume holds no cells yet."};
    QTest::newRow("planarization minimum")
        << Core::ProcessKey::Planarization << "Planarization Options" << "sbxMinimumHeight" << "lblMinimumLevel" << 2
        << Tops{6, 12} << QStringList{"Minimum level above the volume's bottom: 2 cells = 1" + um + ".", stepped};
}

void TestDialogMemory::layerDialogsExplainHeights()
{
    QFETCH(Core::ProcessKey, kind);
    QFETCH(QString, title);
    QFETCH(QString, field);
    QFETCH(QString, levelLabel);
    QFETCH(int, height);
    QFETCH(QVector<std::uint32_t>, surface);
    QFETCH(QStringList, texts);
    Ui::MainWindow window;
    QStringList shown;
    openOptions(window, kind, title, steppedVolume(surface[0], surface[1]), [&](QDialog *dialog) {
        child<QSpinBox>(dialog, qPrintable(field))->setValue(height);
        shown << child<QLabel>(dialog, qPrintable(levelLabel))->text() << child<QLabel>(dialog, "lblSurface")->text();
    }, false);
    QCOMPARE(shown, texts);
}

QTEST_MAIN(TestDialogMemory)
#include "tst_dialogmemory.moc"
