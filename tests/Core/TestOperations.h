#pragma once

#include "Core/Operations/Lifecycle/IOperationFactory.h"
#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IObserver.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace TestSupport {

// Fills every empty cell with the chosen material.
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
    void setAmount(int) { optionSet(); }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override
    {
        const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Write);
        Model::Automaton::Voxel *cells = lock.writableCells();
        for (std::size_t i = 0; i < volume.getCellCount(); ++i)
            if (cells[i].material == 0)
                cells[i].material = material;
    }

private:
    std::uint32_t material = 0;
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

} // namespace TestSupport
