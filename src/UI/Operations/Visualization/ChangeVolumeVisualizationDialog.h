#pragma once

#include "Core/Operations/Visualization/ChangeTotalVolumeVisualizationOptions.h"
#include "Util/Vector4D.h"

#include <QDialog>

#include <cstdint>
#include <map>
#include <memory>

class QColor;

namespace Ui {

class ChangeVolumeVisualizationDialogForm;

namespace Operations {

// The viewing options of one volume on three tabs (atoms and empty cells,
// material colours, surface algorithm). Colours are edited on working copies;
// only the ones changed are handed back.
class ChangeVolumeVisualizationDialog : public QDialog
{
    Q_OBJECT

public:
    using Options = Core::Operations::ChangeTotalVolumeVisualizationOptions::Options;

    explicit ChangeVolumeVisualizationDialog(QWidget *parent = nullptr);
    ~ChangeVolumeVisualizationDialog() override;

    void setOptions(const Options &options);
    Options getOptions() const;

    // The working colour of a material (RGBA, 0..1), and a new one for it.
    Util::Vector4D workingColor(std::uint32_t material) const;
    void setWorkingColor(std::uint32_t material, const Util::Vector4D &rgba);
    // The materials whose working colour differs from the catalogue's.
    std::map<std::uint32_t, Util::Vector4D> changedColors() const;

protected:
    // The colour chooser ("Select new film color", alpha shown); an invalid
    // colour when the user cancels it.
    virtual QColor chooseColor(const QColor &initial);

private:
    void changeColor();
    void showSwatch();

    std::unique_ptr<ChangeVolumeVisualizationDialogForm> form;
    std::map<std::uint32_t, Util::Vector4D> catalogueColors;
    std::map<std::uint32_t, Util::Vector4D> workingColors;
};

} // namespace Operations
} // namespace Ui
