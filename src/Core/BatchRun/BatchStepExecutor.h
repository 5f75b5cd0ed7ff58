#pragma once

#include "Core/ProcessKey.h"
#include "Core/ProcessTable.h"
#include "StepContext.h"

#include <QString>

#include <cstdint>

namespace Core {
namespace BatchRun {

class ProcessData;

// Runs one step of a process list on the current volume: the process table
// gives the kind's step function, which reads the step's parameters by name
// and builds the process's algorithm object directly, without the operation
// lifecycle (no console messages, no undo states). The batch dialog and the
// command-line tool both run steps through it.
class BatchStepExecutor
{
public:
    enum Code {
        Done = 0,
        MissingParameter = 1,
        BadParameter = 2,
        UnknownProcess = 3,
        NotEnoughMemory = 4,
        ImageNotSaved = 5,
        UnknownMaterial = 6,
    };

    using Context = StepContext;

    int execute(const ProcessData &step, Context &context) const;
    // True when the table has a step function for the code.
    bool knows(int type) const;
    // Every step but one that makes its own volume needs a volume to work on.
    static bool needsVolume(int type);
    static QString describe(int code);
    // What a report says of a step that gave up with `code`: the reason it
    // gave or, without one, the code's description and the parameter.
    static QString refusal(int code, const QString &parameter, const QString &reason);
    // Records the kind's operation number for the context's volume, as the
    // interactive operation does when it finishes.
    static void recordOperation(Context &context, ProcessKey key);

private:
    // A step on the context's volume, under the memory guard.
    static int runOnVolume(const ProcessTable::Kind &kind, const ProcessData &step, Context &context);
};

} // namespace BatchRun
} // namespace Core
