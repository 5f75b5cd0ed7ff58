#pragma once

#include "Model/Materials/Material.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QVector>

#include <cstdint>

namespace Ui {

// The material catalogue as an editable table, on a copy taken when the model
// is built: id, name, density, Young's modulus, Poisson's ratio and colour.
// Nothing reaches the catalogue until the caller hands the rows back.
class MaterialTableViewItem : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IdColumn = 0, NameColumn, DensityColumn, YoungModulusColumn, PoissonRatioColumn, ColorColumn };
    static constexpr int columns = 6;

    explicit MaterialTableViewItem(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // The display value and, for the editors, the edit value (the numbers as
    // their shortest text, Util::floatText, the colour as a QColor); the
    // colour column also gives a swatch.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Refuses (false, `entryRefused` with the reason, row unchanged) an empty
    // name, a new name for a material the processes create by id, and text
    // that is not a number in a number column.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // New rows at the end, each with the next free id, "New Material",
    // density, modulus and ratio 1 and opaque grey.
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    QVector<Model::Materials::Material> getMaterials() const { return materials; }
    // Ids of the removed rows that the catalogue held when the model was built.
    QVector<std::uint32_t> getRemovedIds() const;

    // Ids a new material must not take although no row uses them: ids that
    // cells still hold and ids the process catalogue lists.
    void setReservedIds(const QSet<std::uint32_t> &ids) { reserved = ids; }
    // The smallest id not less than 3 that no row uses and that is not reserved.
    std::uint32_t nextFreeId() const;

    // The materials the processes create by id: their names stay.
    static bool isProcessMaterial(std::uint32_t id);

signals:
    void entryRefused(const QString &reason);

private:
    QVector<Model::Materials::Material> materials;
    QSet<std::uint32_t> catalogueIds;
    QSet<std::uint32_t> reserved;
};

} // namespace Ui
