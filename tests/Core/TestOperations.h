#pragma once

// Small operations and a factory for exercising the workspace lifecycle.

#include "Core/Operations/IOperationFactory.h"
#include "Core/Operations/VolumeProcessOperation.h"
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
    void setAmount(int)
    {
        optionSet();
    }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override
    {
        auto *cells = volume.lockCells();
        for (std::size_t i = 0; i < volume.getCellCount(); ++i) {
            if (cells[i].material == 0)
                cells[i].material = material;
        }
        volume.unlockCells();
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

class MessageLog : public Util::IObserver
{
public:
    explicit MessageLog(Core::ConsoleInput *input) : input(input) {}
    void notify() override { lines << input->getMessage(); }
    QStringList lines;

private:
    Core::ConsoleInput *input;
};

class TestFactory : public Core::Operations::IOperationFactory
{
public:
    explicit TestFactory(Core::Workspace *ws) : workspace(ws) {}
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override
    {
        if (id != 50 && id != 51)
            return {};
        auto operation = std::make_shared<FillOperation>(workspace, id);
        if (observer)
            operation->setObserver(observer);
        return operation;
    }
    std::shared_ptr<Util::IObserver> observer;

private:
    Core::Workspace *workspace;
};

inline std::shared_ptr<Model::Automaton::TotalVolume> makeVolume(std::uint32_t nx = 2, std::uint32_t ny = 2,
                                                                 std::uint32_t nz = 2, std::uint32_t fill = 0)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, fill);
    return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

} // namespace TestSupport
