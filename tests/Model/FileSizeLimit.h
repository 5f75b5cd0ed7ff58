#pragma once

// Runs a save in a child process under a file-size limit (RLIMIT_FSIZE, which
// binds the super-user too), with SIGXFSZ ignored so that an over-long write
// fails with EFBIG instead of killing the child.

#include <QByteArray>
#include <QtGlobal>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestFiles {

// What the child saw: whether the save failed, and the warnings it logged.
struct LimitedSave
{
    bool childRan = false;
    bool failed = false;
    bool reported = false;
};

namespace Detail {
inline bool &warned()
{
    static bool flag = false;
    return flag;
}
} // namespace Detail

// `save` returns its error text (empty on success). The save counts as
// reported when that text or a logged warning says something.
inline LimitedSave saveUnderLimit(rlim_t limitBytes, const std::function<QString()> &save)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limitBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &) {
            if (type == QtWarningMsg || type == QtCriticalMsg)
                Detail::warned() = true;
        });
        const QString error = save();
        const char answer[2] = {error.isEmpty() ? '0' : '1', Detail::warned() || !error.isEmpty() ? '1' : '0'};
        const bool sent = write(pipeEnds[1], answer, 2) == 2;
        _exit(sent ? 0 : 1); // no destructors, no leak check of the copied process
    }
    close(pipeEnds[1]);
    char answer[2] = {0, 0};
    const bool got = child > 0 && read(pipeEnds[0], answer, 2) == 2;
    close(pipeEnds[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    LimitedSave result;
    result.childRan = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.failed = answer[0] == '1';
    result.reported = answer[1] == '1';
    return result;
}

} // namespace TestFiles
