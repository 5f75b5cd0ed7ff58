#pragma once

class QOpenGLContext;

namespace Ui {

// Whether the context renders directly (not through the display server).
// Contexts whose platform cannot tell count as direct.
bool isDirectRendering(QOpenGLContext *context);

} // namespace Ui
