#pragma once

#include "Core/Operations/Lifecycle/IOperationFactory.h"

#include <QList>

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

    // The ids the factory can build in this program.
    static QList<std::uint32_t> builtIds();
    // True when the table has a maker for the id: its menu action is enabled.
    static bool isBuilt(std::uint32_t id);

private:
    MainWindowPresenter *presenter;
};

} // namespace Ui
