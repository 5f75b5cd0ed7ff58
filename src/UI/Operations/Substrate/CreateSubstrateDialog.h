#pragma once

#include "Util/Vector3D.h"

#include <QDialog>
#include <QVector>

#include <cstdint>
#include <memory>

namespace Model {
namespace Materials {
class Material;
}
}

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class CreateSubstrateDialogForm;

namespace Operations {

// The options of a new cell volume: its size and position, and a substrate
// block (size and offset) or sphere (centre and radius) of one material.
// Changing the total size keeps the substrate fields inside the volume.
class CreateSubstrateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CreateSubstrateDialog(QWidget *parent = nullptr);
    ~CreateSubstrateDialog() override;

    // Replaces the material list, in the given order; the first entry is current.
    void setMaterials(const QVector<Model::Materials::Material> &materials);

    std::uint32_t getTotalWidth() const;
    std::uint32_t getTotalLength() const;
    std::uint32_t getTotalHeight() const;
    std::uint32_t getSubstrateWidth() const;
    std::uint32_t getSubstrateLength() const;
    std::uint32_t getSubstrateHeight() const;
    std::uint32_t getSubstrateX() const;
    std::uint32_t getSubstrateY() const;
    std::uint32_t getSubstrateZ() const;
    bool isSpherical() const;
    std::uint32_t getCenterX() const;
    std::uint32_t getCenterY() const;
    std::uint32_t getCenterZ() const;
    std::uint32_t getRadius() const;
    // The id of the current material entry; 0 when the list is empty.
    std::uint32_t getMaterialId() const;
    // The scene position of the volume's lower left front corner, in µm.
    Util::Vector3D getPosition() const;
    // The size of one cell along x, y and z, in µm.
    Util::Vector3D getCellSize() const;

public slots:
    void updateLimitX(int width);
    void updateLimitY(int length);
    void updateLimitZ(int height);
    void updateSubstrateDispX(int blockWidth);
    void updateSubstrateDispY(int blockLength);
    void updateSubstrateDispZ(int blockHeight);
    void toggleSubsShape(bool spherical);

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<CreateSubstrateDialogForm> form;
};

} // namespace Operations
} // namespace Ui
