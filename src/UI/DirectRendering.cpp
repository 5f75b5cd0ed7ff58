#include "DirectRendering.h"

#include <QOpenGLContext>
#include <QVariant>

// Kept in its own file: the X11 headers define macros that clash with Qt's.
#include <QtPlatformHeaders/QGLXNativeContext>

namespace Ui {

bool isDirectRendering(QOpenGLContext *context)
{
    if (!context)
        return false;
    const QVariant handle = context->nativeHandle();
    if (!handle.canConvert<QGLXNativeContext>())
        return true;
    const QGLXNativeContext glx = handle.value<QGLXNativeContext>();
    if (!glx.display() || !glx.context())
        return true;
    return glXIsDirect(glx.display(), glx.context()) == True;
}

} // namespace Ui
