#pragma once

#include "Model/Metrology/SurfaceProfile.h"
#include "Model/Metrology/TrenchMetrics.h"

#include <QTableWidget>

#include <optional>
#include <vector>

namespace Ui {
namespace CrossSection {

// The numbers of the cross section in one table: the layer stack of a column
// (material, bottom, top, thickness) and the trench metrics of a u-range, or
// the reason either is missing. Every value cell carries its number under
// ValueRole (nothing where a metric does not apply) and a metric its key in
// TrenchMetrics::toJson under KeyRole, so the front ends can be compared.
class SectionMetricsTable : public QTableWidget
{
    Q_OBJECT

public:
    enum Role { KeyRole = Qt::UserRole, ValueRole = Qt::UserRole + 1 };

    explicit SectionMetricsTable(QWidget *parent = nullptr);

    // `title` heads the layers, or `message` stands in their place.
    void setStack(const QString &title, const std::vector<Model::Metrology::StackLayer> &layers,
                  const QString &message = {});
    // `title` heads the metrics; without a trench `message` says why.
    void setTrench(const QString &title, const std::optional<Model::Metrology::Trench> &trench,
                   const QString &message);

    // The row of the metric under `key`; -1 when none shows.
    int metricRow(const QString &key) const;

private:
    void rebuild();
    void addHeading(const QString &text);
    void addMessage(const QString &text);
    void addMetric(const QString &name, const QString &key, const std::optional<double> &value, bool angle);

    QString stackTitle;
    std::vector<Model::Metrology::StackLayer> stack;
    QString stackMessage;
    QString trenchTitle;
    std::optional<Model::Metrology::Trench> trench;
    QString trenchMessage;
};

} // namespace CrossSection
} // namespace Ui
