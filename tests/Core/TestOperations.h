#pragma once

#include "Core/Operations/Lifecycle/IOperationFactory.h"
#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Util/IObserver.h"

#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>
#include <type_traits>

namespace TestSupport {

// Fills every empty cell with the chosen material, or the first `amount` of them.
class FillOperation : public Core::Operations::VolumeProcessOperation
{
public:
    explicit FillOperation(Core::Workspace *ws, std::uint32_t id = 50)
        : VolumeProcessOperation(ws, QStringLiteral("Fill"), id, QStringLiteral("Fill"))
    {
    }
    void setMaterial(std::uint32_t id)
    {
        material = id;
        optionSet();
    }
    void setAmount(int cells)
    {
        amount = cells;
        optionSet();
    }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override
    {
        const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Write);
        Model::Automaton::Voxel *cells = lock.writableCells();
        int filled = 0;
        for (std::size_t i = 0; i < volume.getCellCount() && (amount <= 0 || filled < amount); ++i) {
            if (cells[i].material == 0) {
                cells[i].material = material;
                ++filled;
            }
        }
    }

private:
    std::uint32_t material = 0;
    int amount = 0;
};

class CallbackObserver : public Util::IObserver
{
public:
    explicit CallbackObserver(std::function<void()> f) : callback(std::move(f)) {}
    void notify() override
    {
        ++count;
        if (callback)
            callback();
    }
    int count = 0;

private:
    std::function<void()> callback;
};

struct MessageLog : Util::IObserver
{
    explicit MessageLog(Core::ConsoleInput *input) : input(input) {}
    void notify() override { lines << input->getMessage(); }
    Core::ConsoleInput *input;
    QStringList lines;
};

inline std::shared_ptr<MessageLog> logMessages(Core::Workspace &workspace)
{
    auto log = std::make_shared<MessageLog>(&workspace.getConsoleInput());
    workspace.getConsoleInput().addMessageObserver(log);
    return log;
}

// Builds the operations `make` knows; once `dialog` is set, it plays the
// options dialog on the current operation.
template <class Op>
class DialogFactory : public Core::Operations::IOperationFactory
{
public:
    using Maker = std::function<std::shared_ptr<Op>(std::uint32_t)>;
    DialogFactory(Core::Workspace *ws, Maker make) : workspace(ws), make(std::move(make)) {}
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override
    {
        auto operation = make(id);
        if (operation && dialog)
            operation->setObserver(std::make_shared<CallbackObserver>([this] {
                if (auto current = std::dynamic_pointer_cast<Op>(workspace->getCurrentOperation()))
                    dialog(*current);
            }));
        return operation;
    }
    std::function<void(Op &)> dialog;

private:
    Core::Workspace *workspace;
    Maker make;
};

// Gives the workspace a factory whose operations, made by `make` (by default
// Op's own constructor), play their options dialog with `dialog`.
template <class Op>
std::shared_ptr<DialogFactory<Op>> playDialogs(Core::Workspace &workspace, std::function<void(Op &)> dialog,
                                               typename DialogFactory<Op>::Maker make = {})
{
    if constexpr (!std::is_abstract_v<Op>)
        if (!make)
            make = [&workspace](std::uint32_t) { return std::make_shared<Op>(&workspace); };
    auto factory = std::make_shared<DialogFactory<Op>>(&workspace, std::move(make));
    factory->dialog = std::move(dialog);
    workspace.setOperationFactory(factory);
    return factory;
}

// Fill operations under ids 50 and 51.
class TestFactory : public DialogFactory<FillOperation>
{
public:
    explicit TestFactory(Core::Workspace *ws)
        : DialogFactory(ws, [ws](std::uint32_t id) {
            return id == 50 || id == 51 ? std::make_shared<FillOperation>(ws, id) : nullptr;
        })
    {
    }
};

inline std::shared_ptr<Model::Automaton::TotalVolume> makeVolume(std::uint32_t nx = 2, std::uint32_t ny = 2,
                                                                 std::uint32_t nz = 2, std::uint32_t fill = 0)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, fill);
    return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

// A volume of unit cells whose cell (x, y, z) holds material(x, y, z).
template <class F>
std::shared_ptr<Model::Automaton::TotalVolume> volumeFrom(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                                                          F material)
{
    std::vector<std::uint32_t> ids;
    ids.reserve(std::size_t(nx) * ny * nz);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z)
                ids.push_back(material(x, y, z));
    return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

// The cell volumes among the document's objects, in their order.
inline QList<std::shared_ptr<Model::Automaton::TotalVolume>> volumesOf(Model::Document &document)
{
    QList<std::shared_ptr<Model::Automaton::TotalVolume>> volumes;
    for (const auto &object : document.getAllObjects())
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object))
            volumes << volume;
    return volumes;
}

// Undo, redo and undo again give back exactly the cells before and after the run.
inline void checkUndoRedo(Core::Workspace &workspace, Model::Automaton::TotalVolume &volume,
                          const std::vector<std::uint32_t> &before)
{
    const auto after = volume.materialIds();
    QVERIFY(after != before);
    auto &stack = workspace.getUndoRedo();
    QVERIFY(stack.undo());
    QVERIFY(volume.materialIds() == before);
    QVERIFY(stack.redo());
    QVERIFY(volume.materialIds() == after);
    QVERIFY(stack.undo());
    QVERIFY(volume.materialIds() == before);
}

} // namespace TestSupport
