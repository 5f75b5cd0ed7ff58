#pragma once

#include "Core/ProcessKey.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace Core {

class Workspace;

namespace Operations {
class Operation;
}

namespace BatchRun {
class ProcessData;
struct StepContext;
}

// The one place that knows each kind of process: the id its menu action is
// mapped to, the number a finished run records for its volume, its process
// list code, its texts, the parameters of its process-list steps and the
// functions that build its operation, run its batch step and give an
// operation the options of a step. The factory, the menus, the process
// lists, the batch executor and the command-line tool all read it. A kind
// whose operation is not written yet has no operation builder; its menu
// action stays disabled.
class ProcessTable
{
public:
    // The value kinds of step parameters, as process lists write them.
    enum class ValueKind { Bool, Int, UInt, Float, Double, String, Color, Vector3D, BitVector };

    // The values a numeric parameter may take, both ends included, and the
    // unit the user reads them in. A step with a value outside (or one that
    // is not finite) is refused with both; the dialogs offer the same range.
    struct Range
    {
        double minimum = 0.0;
        double maximum = 0.0;
        QString unit;

        bool isSet() const { return minimum < maximum; }
        bool contains(double value) const { return value >= minimum && value <= maximum; }
        // "from 0 to 1000000 µm"
        QString text() const;
    };

    struct Parameter
    {
        QString name;
        ValueKind kind;
        // What the options dialog offers before the user changes anything.
        QVariant defaultValue;
        // Shown in the batch list (hidden ones are ids, raw masks, colours).
        bool visible = true;
        Range range = {};
        // A step may leave it out (process lists older than the parameter);
        // the step then runs with the default value.
        bool optional = false;
        // The texts a text parameter may hold (in any case); empty for any text.
        QStringList choices = {};
        // The parameters of a physical mode ("the etch by etchant and time")
        // name it here. A default step leaves them out, and a step that
        // holds none of them runs the kind's geometric mode.
        QString mode = {};
    };

    using OperationBuilder = std::function<std::shared_ptr<Operations::Operation>(Workspace *)>;
    // Runs a step on the context's volume; returns a BatchStepExecutor code.
    using StepRunner = std::function<int(const BatchRun::ProcessData &, BatchRun::StepContext &)>;
    // Gives a freshly built operation the options a step holds (the menu
    // path of a process-list step, without a dialog).
    using Configurer = std::function<void(Operations::Operation &, const BatchRun::ProcessData &)>;
    // Registered by the interface layer: builds the operation with its
    // options observer, whose dialogs open over `dialogParent`.
    using InterfaceBuilder = std::function<std::shared_ptr<Operations::Operation>(Workspace *, QWidget *dialogParent)>;

    static constexpr std::int32_t noListCode = -1;

    struct Kind
    {
        ProcessKey key;
        // The id its menu action is mapped to; 0 when no action starts it.
        std::uint32_t menuId;
        // The id its operation carries and records for a volume it changed;
        // 0 when it records none.
        std::uint32_t operationId;
        // Its code in process lists, or noListCode.
        std::int32_t listCode;
        // The menu action's text.
        QString menuText;
        // The name in console lines and in the Undo and Redo texts.
        QString operationName;
        // The name shown in the batch list.
        QString listName;
        // The process catalogue record whose compatible materials its dialog offers.
        QString catalogueName;
        QVector<Parameter> parameters;
        OperationBuilder makeOperation;
        StepRunner runStep;
        Configurer configure;
        // A step that keeps the atomistic lattice in step with the cells (or
        // changes no cell); every other step marks it out of date.
        bool keepsSiLattice = false;
        // A step that makes its own volume rather than working on one.
        bool makesVolume = false;
        // The working memory a run takes per cell at its peak, beside the
        // volume's own ids (a surface front's state byte and offsets); 0 when
        // it needs no more than a few lists. The memory guard checks it
        // before every run, in the window and in a batch alike.
        std::uint32_t stepBytesPerCell = 0;

        bool isBuilt() const { return bool(makeOperation); }
        const Parameter *parameter(const QString &name) const;
    };

    static const QVector<Kind> &kinds();
    static const Kind &kind(ProcessKey key);
    // Null when no kind has that menu id or list code.
    static const Kind *byMenuId(std::uint32_t menuId);
    static const Kind *byListCode(std::int32_t code);
    // The first kind whose operation carries that id and can be built; null for none.
    static const Kind *byOperationId(std::uint32_t operationId);
    // The declared range of a step parameter of the kind with that list
    // code; null when the parameter has none.
    static const Range *range(std::int32_t listCode, const QString &parameter);
    // The declared parameter of the kind with that list code; null for none.
    static const Parameter *parameter(std::int32_t listCode, const QString &parameter);
    // The kind's entry in the Batch Run process chooser: its list name, but
    // capitalised as the menus are and the thermal processes named so.
    static QString chooserText(ProcessKey key);

    // Shorthands the operations use for their own identity.
    static QString operationName(ProcessKey key) { return kind(key).operationName; }
    static std::uint32_t operationId(ProcessKey key) { return kind(key).operationId; }
    static std::uint32_t menuId(ProcessKey key) { return kind(key).menuId; }
    static std::int32_t listCode(ProcessKey key) { return kind(key).listCode; }

    // A step of the kind holding every parameter at its default value,
    // those of the physical modes left out.
    static BatchRun::ProcessData defaultStep(ProcessKey key);
    // The batch list's text for a code; "Unknown process" for any other.
    static QString listName(std::int32_t code);
    // Every process-list step in code order with its parameters and their
    // kinds, one step a line, for command-line help.
    static QString stepReference();
    // The text of a parameter kind as process lists write it ("uint", "QColor" ...).
    static QString kindName(ValueKind kind);

    // The interface layer registers how each kind with options gets its
    // observer; kinds without a registration get their bare operation.
    static void registerInterface(ProcessKey key, InterfaceBuilder build);
    // The operation for a menu id with its observer attached; empty for an
    // id of no built kind.
    static std::shared_ptr<Operations::Operation> createInteractive(std::uint32_t menuId, Workspace *workspace,
                                                                   QWidget *dialogParent);
};

} // namespace Core
