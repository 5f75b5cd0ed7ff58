#pragma once

#include "Util/Vector3D.h"

#include <QDialog>

#include <memory>

namespace Ui {

class TranslateDialogForm;

// Asks for the view's translation, starting from the current one.
class TranslateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TranslateDialog(const Util::Vector3D &current, QWidget *parent = nullptr);
    ~TranslateDialog() override;

    Util::Vector3D getTranslation() const;

private:
    std::unique_ptr<TranslateDialogForm> ui;
};

} // namespace Ui
