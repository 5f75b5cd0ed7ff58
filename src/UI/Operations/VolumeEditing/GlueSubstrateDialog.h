#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {

class GlueSubstrateForm;

namespace Operations {

// The result size and the top volume's shift of a glue. The size boxes open
// at the minimum sizes and refuse less; x and y stay at their minimum.
class GlueSubstrateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GlueSubstrateDialog(QWidget *parent = nullptr);
    ~GlueSubstrateDialog() override;

    void setLimits(std::uint64_t minSizeX, std::uint64_t minSizeY, std::uint64_t minSizeZ,
                   std::uint32_t maxDisplacementX, std::uint32_t maxDisplacementY);

    std::uint32_t getSizeX() const;
    std::uint32_t getSizeY() const;
    std::uint32_t getSizeZ() const;
    std::uint32_t getDisplacementX() const;
    std::uint32_t getDisplacementY() const;
    bool isInvertTop() const;

private:
    std::unique_ptr<GlueSubstrateForm> form;
};

} // namespace Operations
} // namespace Ui
