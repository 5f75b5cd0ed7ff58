// Linked into every test when the address sanitizer is on. Qt unloads its
// plugins and Mesa its driver before the leak check runs at exit, so leaks
// inside them would show as "<unknown module>" and no suppression could name
// them. Marking every loaded library "never unload" just before the
// application goes away keeps them mapped, so those reports carry the
// library's name and the suppressions in scripts/sanitizers/lsan.supp match.

#include <QCoreApplication>

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

void registerAtExit()
{
    qAddPostRoutine(keepLibrariesLoaded);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerAtExit)
