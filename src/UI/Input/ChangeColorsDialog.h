#pragma once

#include "Util/Vector4D.h"

#include <QDialog>

#include <array>
#include <memory>

class QColor;
class QPushButton;

namespace Ui {

class ChangeColorsDialogForm;

namespace Input {

// Edits the window colours: background, grid, and the default object and
// outline colours. Picking a colour switches to the custom scheme; the two
// load buttons switch to the default or the low-colour scheme. OK makes the
// working scheme current and stores the four colours shown into the custom
// scheme; Cancel changes nothing.
class ChangeColorsDialog : public QDialog
{
    Q_OBJECT

public:
    // The four working colours, in button order.
    enum Slot { Background = 0, Grid = 1, Object = 2, Outline = 3, SlotCount = 4 };

    explicit ChangeColorsDialog(QWidget *parent = nullptr);
    ~ChangeColorsDialog() override;

    int workingScheme() const { return scheme; }
    Util::Vector4D workingColor(Slot slot) const { return colors[slot]; }

    // The colour table entry a slot stands for.
    static int colorIndex(Slot slot);
    // "background-color : #rrggbb;\nborder: none;" for an RGB colour in [0, 1].
    static QString buttonStyleSheet(const Util::Vector4D &rgb);

    void accept() override;

private:
    void loadScheme(int scheme);
    void chooseColor(Slot slot);
    void refreshButtons();
    QPushButton *button(Slot slot) const;

    std::unique_ptr<ChangeColorsDialogForm> ui;
    int scheme = 0;
    std::array<Util::Vector4D, SlotCount> colors;
};

} // namespace Input
} // namespace Ui
