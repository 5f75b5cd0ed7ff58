#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {

class ExtractFilmForm;

namespace Operations {

// The material of the film to lift out (any of the catalogue) and whether to
// turn it over.
class ExtractFilmDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ExtractFilmDialog(QWidget *parent = nullptr);
    ~ExtractFilmDialog() override;

    // The id of the current material entry; 0 when there is none.
    std::uint32_t getMaterialId() const;
    bool isInvertFilm() const;

private:
    std::unique_ptr<ExtractFilmForm> form;
};

} // namespace Operations
} // namespace Ui
