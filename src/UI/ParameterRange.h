#pragma once

#include "Core/ProcessKey.h"

#include <QString>

class QDoubleSpinBox;
class QSpinBox;

namespace Ui {

// The options dialogs offer only values a step of the same kind accepts:
// a spin box's range is narrowed to the range the process table declares
// for the parameter it edits (a range the form already keeps tighter stays).
class ParameterRange
{
public:
    static void apply(QDoubleSpinBox *box, Core::ProcessKey key, const QString &parameter);
    static void apply(QSpinBox *box, Core::ProcessKey key, const QString &parameter);
};

} // namespace Ui
