#include "Core/Operations/Lithography/MaskFile.h"

#include "Core/Operations/Lithography/LayoutMask.h"
#include "Core/Operations/Lithography/MaskImage.h"

namespace Core {
namespace Operations {

bool MaskFile::load(const QString &fileName, std::optional<int> layer, std::optional<double> cellSize,
                    double defaultCellSize, LithographyMask &mask, QString &error)
{
    if (fileName.trimmed().isEmpty()) {
        error = QStringLiteral("No mask file is named.");
        return false;
    }
    if (LayoutMask::isLayoutFile(fileName))
        return LayoutMask::load(fileName, layer.value_or(-1), cellSize.value_or(defaultCellSize), mask, error);
    return MaskImage::load(fileName, mask, error);
}

} // namespace Operations
} // namespace Core
