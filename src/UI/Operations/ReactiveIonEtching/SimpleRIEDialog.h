#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class SimpleRIEForm;

namespace Operations {

// The options of a simple reactive ion etch: the depth in cells, the material
// (any of the catalogue) and the directions of attack.
class SimpleRIEDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SimpleRIEDialog(QWidget *parent = nullptr);
    ~SimpleRIEDialog() override;

    int getDepth() const;
    // The id of the current material entry; 0 when there is none.
    std::uint32_t getMaterialId() const;
    // Bit 1 when "Etch from top" is checked, bit 2 when "Etch from below" is.
    std::uint8_t getDirections() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<SimpleRIEForm> form;
};

} // namespace Operations
} // namespace Ui
