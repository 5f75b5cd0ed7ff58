#pragma once

#include "Model/Automaton/MaterialUsage.h"

#include <QDialog>
#include <QList>

#include <memory>

namespace Core {
namespace Operations {
class IProcessMonitor;
}
}

namespace Model {
class Object;
}

namespace Ui {

class ColorItemDelegate;
class ManageMaterialsBaseDialog;
class MaterialTableViewItem;

// The material catalogue as a table: names, constants and colours are edited
// in place (colours through a colour chooser), materials are added and
// deleted. It works on a copy; the caller applies it on OK.
//
// The scene objects given are those of every open document: their cells
// decide which materials are in use, so that deleting one of those asks
// first and a new material never takes an id that cells still hold.
class ManageMaterialsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ManageMaterialsDialog(const QList<std::shared_ptr<Model::Object>> &scene, QWidget *parent = nullptr);
    ~ManageMaterialsDialog() override;

    MaterialTableViewItem *getModel() const { return model; }
    // Cells of the scene per material id.
    const Model::Automaton::MaterialUsage::Counts &getUsage() const { return usage; }

    // Runs the dialog modally. On OK the deleted materials leave the catalogue,
    // every row is stored in it, "materials.xml" is written (a warning says
    // so when it cannot be), and every volume of the scene is rebuilt when a
    // colour changed, so its faces land in the opaque or transparent list
    // that their new alpha calls for. True when the user pressed OK.
    // The volumes are rebuilt off the interface thread, with the progress in
    // `monitor` (null: on the calling thread).
    static bool editCatalogue(QWidget *parent, const QList<std::shared_ptr<Model::Object>> &scene,
                              Core::Operations::IProcessMonitor *monitor = nullptr);

private:
    void addMaterial();
    void deleteSelected();
    // Asks before a material that cells use goes; true to delete it.
    bool confirmDeletion(int row);
    void showNotice(const QString &text);

    std::unique_ptr<ManageMaterialsBaseDialog> form;
    MaterialTableViewItem *model;
    ColorItemDelegate *colorDelegate;
    Model::Automaton::MaterialUsage::Counts usage;
};

} // namespace Ui
