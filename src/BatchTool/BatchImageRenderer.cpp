#include "BatchImageRenderer.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/GLWidget.h"
#include "Util/SafeFileWriter.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Kestrum {

namespace {
constexpr int imageWidth = 1024;
constexpr int imageHeight = 768;
} // namespace

std::unique_ptr<QCoreApplication> BatchImageRenderer::createApplication(int &argc, char **argv)
{
    return std::make_unique<QApplication>(argc, argv);
}

BatchImageRenderer::BatchImageRenderer(Core::Workspace *ws)
    : workspace(ws)
    , view(std::make_unique<Ui::GLWidget>(ws))
{
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(imageWidth, imageHeight);
    view->show();
}

BatchImageRenderer::~BatchImageRenderer() = default;

void BatchImageRenderer::frameScene()
{
    double low[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                     std::numeric_limits<double>::max()};
    double high[3] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest(),
                      std::numeric_limits<double>::lowest()};
    bool any = false;
    for (const auto &object : workspace->getDocument().getAllObjects()) {
        auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object);
        if (!volume)
            continue;
        volume->getPainter().rebuild();
        const Util::Vector3D p = volume->getPosition();
        const double extent[3] = {volume->getSizeX() * double(volume->getCellSizeX()),
                                  volume->getSizeY() * double(volume->getCellSizeY()),
                                  volume->getSizeZ() * double(volume->getCellSizeZ())};
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], p[i]);
            high[i] = std::max(high[i], p[i] + extent[i]);
        }
        any = true;
    }
    if (!any)
        return;
    // The scene is moved so that its centre sits at the view centre, and
    // zoomed so that its diagonal fits the shorter side with a margin.
    const Util::Vector3D centre((low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2);
    const double diagonal = std::sqrt((high[0] - low[0]) * (high[0] - low[0]) + (high[1] - low[1]) * (high[1] - low[1])
                                      + (high[2] - low[2]) * (high[2] - low[2]));
    view->setTranslation(Util::Vector3D(-centre.x, -centre.y, -centre.z));
    view->setZoom(std::max(diagonal * 1.15 / std::min(imageWidth, imageHeight), 1e-6));
    view->setViewAngle(-60.0, 0.0, -35.0);
}

bool BatchImageRenderer::save(const QString &fileName)
{
    frameScene();
    const QImage image = view->grabImage();
    lastError.clear();
    if (fileName.isEmpty())
        return true;
    const auto written = Util::SafeFileWriter::writeImage(image.convertToFormat(QImage::Format_RGB32), fileName);
    lastError = written.error;
    return written.ok;
}

} // namespace Kestrum
