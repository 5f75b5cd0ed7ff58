#include "UI/ParameterRange.h"

#include "Core/ProcessTable.h"

#include <QDoubleSpinBox>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace Ui {

namespace {

const Core::ProcessTable::Range *rangeOf(Core::ProcessKey key, const QString &parameter)
{
    const Core::ProcessTable::Parameter *p = Core::ProcessTable::kind(key).parameter(parameter);
    return p && p->range.isSet() ? &p->range : nullptr;
}

} // namespace

void ParameterRange::apply(QDoubleSpinBox *box, Core::ProcessKey key, const QString &parameter)
{
    if (const Core::ProcessTable::Range *range = rangeOf(key, parameter))
        box->setRange(std::max(box->minimum(), range->minimum), std::min(box->maximum(), range->maximum));
}

void ParameterRange::apply(QSpinBox *box, Core::ProcessKey key, const QString &parameter)
{
    if (const Core::ProcessTable::Range *range = rangeOf(key, parameter))
        box->setRange(std::max(box->minimum(), int(std::ceil(range->minimum))),
                      std::min(box->maximum(), int(std::floor(std::min(range->maximum, 2147483647.0)))));
}

} // namespace Ui
