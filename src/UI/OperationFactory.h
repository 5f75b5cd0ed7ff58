#pragma once

#include "Core/Operations/Lifecycle/IOperationFactory.h"

namespace Ui {

class MainWindowPresenter;

// Builds the operation of a menu id together with its options observer; the
// observers open their dialogs over the presenter's main window.
class OperationFactory : public Core::Operations::IOperationFactory
{
public:
    explicit OperationFactory(MainWindowPresenter *presenter);

    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override;
    bool canCreate(std::uint32_t id) const override { return isBuilt(id); }

    // True when the process table has a built operation for the menu id:
    // its menu action is enabled.
    static bool isBuilt(std::uint32_t id);
    // Tells the process table how each kind with options gets its observer
    // (once per program; every factory calls it).
    static void registerInterfaces();

private:
    MainWindowPresenter *presenter;
};

} // namespace Ui
