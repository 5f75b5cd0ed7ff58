#include "ProcessData.h"

namespace Ui {

std::atomic<std::uint32_t> ProcessData::nextId{0};

ProcessData::ProcessData(std::int32_t type)
    : id(nextId++)
    , type(type)
{
}

QString ProcessData::displayName(std::int32_t type)
{
    static const char *const names[] = {
        "Photolithography", "Si wet etching", "Moore deposition", "Moore etching",
        "CVD", "Isotropic etching", "Planarization", "Electroplating",
        "Doping", "Spin Coating", "Save Image", "Create Substrate",
        "PVD", "Simple RIE", "Ion Implantation", "Si Oxidation",
        "Diffusion Doping",
    };
    if (type < 0 || type >= std::int32_t(sizeof(names) / sizeof(names[0])))
        return QStringLiteral("Unknown process");
    return QString::fromLatin1(names[type]);
}

void ProcessData::setParameter(const QString &name, const QVariant &value, bool visible)
{
    parameters.insert(name, value);
    visibility.insert(name, visible);
}

} // namespace Ui
