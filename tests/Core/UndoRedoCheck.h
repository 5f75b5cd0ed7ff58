#pragma once

// Runs an operation through the workspace on a volume, then checks that undo
// and redo give back exactly the cells before and after it.

#include "Core/TestOperations.h"

#include <QtTest>

namespace TestSupport {

// `answer` plays the options dialog, `checkRun` looks at the cells after the
// run. The run must change cells; undo, redo and undo again must restore
// exactly the cells before and after it.
template <class Op>
void checkUndoRedo(const std::shared_ptr<Model::Automaton::TotalVolume> &volume, std::uint32_t id,
                   const std::function<void(Op &)> &answer,
                   const std::function<void(const std::vector<std::uint32_t> &)> &checkRun = {})
{
    Core::Workspace workspace;
    auto factory = std::make_shared<DialogFactory<Op>>(
        &workspace, [&workspace, id](std::uint32_t asked) { return asked == id ? std::make_shared<Op>(&workspace) : nullptr; });
    factory->dialog = answer;
    workspace.setOperationFactory(factory);
    const auto before = volume->materialIds();
    workspace.getSelection().select(volume);
    workspace.activate(id);
    const auto after = volume->materialIds();
    QVERIFY(after != before);
    if (checkRun)
        checkRun(after);
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), id);
    auto &stack = workspace.getUndoRedo();
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
    QVERIFY(stack.redo());
    QVERIFY(volume->materialIds() == after);
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
}

} // namespace TestSupport
