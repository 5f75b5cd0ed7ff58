// Linked into every test when the address sanitizer is on. Qt unloads its
// plugins and Mesa its driver before the leak check runs at exit, so leaks
// inside them would show as "<unknown module>" and no suppression could name
// them. Marking every loaded library "never unload" just before the
// application goes away keeps them mapped, so those reports carry the
// library's name and the suppressions in scripts/sanitizers/lsan.supp match.
//
// Qt 5.15's offscreen platform (the tests without windows run on it) never
// deletes the screen it adds: once the application is gone, the screen, its
// platform half and their helpers are left with nothing pointing at them,
// and a test that paints text on an image (the section pictures) has them
// reported as leaked. Their addresses, kept here in static storage, leave
// them reachable, as Qt's own list of screens did while the application ran.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <atomic>
#include <iterator>

#include <dlfcn.h>
#include <link.h>

namespace {

void keepLibrariesLoaded()
{
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *) {
            if (info->dlpi_name && info->dlpi_name[0] != '\0')
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

// Volatile, so the stores are kept although nothing reads them back.
const void *volatile keptScreens[32];
std::atomic<int> keptCount{0};

void keepReachable(const void *block)
{
    const int slot = keptCount++;
    if (slot < int(std::size(keptScreens)))
        keptScreens[slot] = block;
}

void keepScreen(QScreen *screen)
{
    keepReachable(screen);
    keepReachable(screen->handle());
}

void registerAtExit()
{
    qAddPostRoutine(keepLibrariesLoaded);
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    for (QScreen *screen : QGuiApplication::screens())
        keepScreen(screen);
    QObject::connect(application, &QGuiApplication::screenAdded, keepScreen);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerAtExit)
