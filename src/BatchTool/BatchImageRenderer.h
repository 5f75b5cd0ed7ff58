#pragma once

#include <QString>

#include <memory>

class QCoreApplication;

namespace Core {
class Workspace;
}

namespace Ui {
class GLWidget;
}

namespace Kestrum {

// Renders the scene of a workspace into an image file with the program's own
// GL view, kept off screen, framed on the scene from a three-quarter angle.
class BatchImageRenderer
{
public:
    // A widget application; the caller made sure a display is available.
    static std::unique_ptr<QCoreApplication> createApplication(int &argc, char **argv);

    explicit BatchImageRenderer(Core::Workspace *workspace);
    ~BatchImageRenderer();

    // Rebuilds every volume's drawing and saves the view; an empty name only
    // refreshes. False when the image could not be written.
    bool save(const QString &fileName);
    // Why the last save failed.
    QString errorString() const { return lastError; }

private:
    void frameScene();

    Core::Workspace *workspace;
    std::unique_ptr<Ui::GLWidget> view;
    QString lastError;
};

} // namespace Kestrum
