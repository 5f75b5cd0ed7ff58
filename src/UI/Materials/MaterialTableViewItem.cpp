#include "MaterialTableViewItem.h"

#include "Core/Operations/Doping/DopantTypes.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/FloatText.h"

#include <QColor>

#include <algorithm>

namespace Ui {

namespace {

using Model::Materials::Material;

// A colour component 0..1 as 0..255, truncated.
int byte(double component)
{
    return qBound(0, int(component * 255.0), 255);
}

QColor toColor(const Util::Vector4D &c)
{
    return QColor(byte(c.x), byte(c.y), byte(c.z), byte(c.w));
}

// The first id a new material may take: 2 is the hole in the built-in
// table that documents from elsewhere may still fill.
constexpr std::uint32_t firstNewId = 3;

} // namespace

MaterialTableViewItem::MaterialTableViewItem(QObject *parent)
    : QAbstractTableModel(parent)
    , materials(Model::Materials::MaterialFactory::getInstance()->getMaterials())
{
    for (const Material &material : materials)
        catalogueIds.insert(material.getId());
}

bool MaterialTableViewItem::isProcessMaterial(std::uint32_t id)
{
    using Core::Operations::DopantTypes;
    return id == DopantTypes::silicon || id == DopantTypes::nDoped || id == DopantTypes::pDoped
        || id == Core::Operations::SimpleSiOxidation::oxideMaterial;
}

int MaterialTableViewItem::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : materials.size();
}

int MaterialTableViewItem::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant MaterialTableViewItem::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= materials.size())
        return QVariant();
    const Material &material = materials[index.row()];
    const bool edit = role == Qt::EditRole;
    if (role == Qt::DecorationRole && index.column() == ColorColumn)
        return toColor(material.getColor());
    if (role != Qt::DisplayRole && !edit)
        return QVariant();

    // The numbers are shown and edited as the text they were entered as: a
    // float left to the view would be widened to a double and show its
    // binary noise, and the editor gets the same text so it keeps every digit.
    const auto number = [](float value) { return QVariant(Util::floatText(value)); };
    switch (index.column()) {
    case IdColumn:
        return uint(material.getId());
    case NameColumn:
        return material.getName();
    case DensityColumn:
        return number(material.getDensity());
    case YoungModulusColumn:
        return number(material.getYoungModulus());
    case PoissonRatioColumn:
        return number(material.getPoissonRatio());
    case ColorColumn: {
        const QColor color = toColor(material.getColor());
        if (edit)
            return color;
        return QStringLiteral("%1, %2, %3, %4").arg(color.red()).arg(color.green()).arg(color.blue()).arg(color.alpha());
    }
    default:
        return QVariant();
    }
}

QVariant MaterialTableViewItem::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char *const headers[columns] = {"Material Id",   "Material Name", "Density",
                                                 "Young Modulus", "Poisson Ratio", "Color"};
    if (section >= 0 && section < columns)
        return QString::fromLatin1(headers[section]);
    return QStringLiteral("Column %1").arg(section);
}

Qt::ItemFlags MaterialTableViewItem::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() == IdColumn)
        return result;
    if (index.column() == NameColumn && index.row() < materials.size()
        && isProcessMaterial(materials[index.row()].getId()))
        return result;
    return result | Qt::ItemIsEditable;
}

bool MaterialTableViewItem::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= materials.size() || index.column() < NameColumn
        || index.column() > ColorColumn)
        return false;
    Material &material = materials[index.row()];
    bool ok = true;
    switch (index.column()) {
    case NameColumn: {
        const QString name = value.toString().trimmed();
        if (name.isEmpty()) {
            emit entryRefused(tr("A material needs a name; \"%1\" keeps its name.").arg(material.getName()));
            return false;
        }
        if (isProcessMaterial(material.getId()) && name != material.getName()) {
            emit entryRefused(tr("\"%1\" is created by the processes and keeps its name.").arg(material.getName()));
            return false;
        }
        material.setName(name);
        break;
    }
    case DensityColumn:
    case YoungModulusColumn:
    case PoissonRatioColumn: {
        const float number = value.toString().trimmed().toFloat(&ok);
        if (!ok) {
            emit entryRefused(tr("\"%1\" is not a number; the value stays.").arg(value.toString()));
            return false;
        }
        if (index.column() == DensityColumn)
            material.setDensity(number);
        else if (index.column() == YoungModulusColumn)
            material.setYoungModulus(number);
        else
            material.setPoissonRatio(number);
        break;
    }
    default: {
        const QColor color = value.value<QColor>();
        if (!color.isValid())
            return false;
        material.setColor(Util::Vector4D(color.red() / 255.0, color.green() / 255.0, color.blue() / 255.0,
                                         color.alpha() / 255.0));
        break;
    }
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

std::uint32_t MaterialTableViewItem::nextFreeId() const
{
    QSet<std::uint32_t> used = reserved;
    for (const Material &material : materials)
        used.insert(material.getId());
    std::uint32_t id = firstNewId;
    while (used.contains(id))
        ++id;
    return id;
}

bool MaterialTableViewItem::insertRows(int row, int count, const QModelIndex &parent)
{
    Q_UNUSED(row)
    if (parent.isValid() || count <= 0)
        return false;
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    beginInsertRows(QModelIndex(), materials.size(), materials.size() + count - 1);
    for (int i = 0; i < count; ++i)
        materials.append(Material(nextFreeId(), QStringLiteral("New Material"), 1.0f, 1.0f, 1.0f, grey));
    endInsertRows();
    return true;
}

bool MaterialTableViewItem::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > materials.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    materials.remove(row, count);
    endRemoveRows();
    return true;
}

QVector<std::uint32_t> MaterialTableViewItem::getRemovedIds() const
{
    QSet<std::uint32_t> kept;
    for (const Material &material : materials)
        kept.insert(material.getId());
    QVector<std::uint32_t> removed;
    for (std::uint32_t id : catalogueIds)
        if (!kept.contains(id))
            removed.append(id);
    std::sort(removed.begin(), removed.end());
    return removed;
}

} // namespace Ui
