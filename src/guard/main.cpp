// vantrel-guard PROGRAM [ARGUMENT...]
//
// Runs a tool that starts tools of its own (yt-dlp hands streams to FFmpeg)
// so that none of them outlives the program that started the guard, however
// that program ends, SIGKILL included. The system tells the guard when its
// parent ends; every process the tool leaves without a parent is handed to
// the guard rather than to init. When the parent ends, when the guard is
// asked to end (SIGTERM, SIGINT, SIGHUP) and when the tool itself ends, the
// guard kills the tool's process group and every process handed to it,
// waits until all have gone, and ends as the tool did.
//
// Plain POSIX and Linux calls only: it runs between fork and a tool, with
// nothing of the program's libraries.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <initializer_list>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The parent and the process group of /proc/<pid>/stat: "pid (comm) state ppid pgrp ...".
bool readParentAndGroup(const char *pid, pid_t &parent, pid_t &group)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%s/stat", pid);
    std::FILE *file = std::fopen(path, "re");
    if (!file)
        return false;
    char text[1024];
    const size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[length] = '\0';
    const char *close = std::strrchr(text, ')'); // the command name may hold anything
    int ppid = 0;
    int pgrp = 0;
    if (!close || std::sscanf(close + 1, " %*c %d %d", &ppid, &pgrp) != 2)
        return false;
    parent = ppid;
    group = pgrp;
    return true;
}

// Kills every process of the guard's group but the guard, and every
// process handed to the guard; whether there was one.
bool killTheRest()
{
    const pid_t self = ::getpid();
    const pid_t group = ::getpgrp();
    bool found = false;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return false;
    while (const dirent *entry = ::readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        pid_t parent = 0;
        pid_t pgrp = 0;
        if (*end != '\0' || pid <= 0 || pid == self ||
            !readParentAndGroup(entry->d_name, parent, pgrp))
            continue;
        if (pgrp == group || parent == self) {
            ::kill(pid_t(pid), SIGKILL);
            found = true;
        }
    }
    ::closedir(proc);
    return found;
}

// Ends whatever the tool left, and reaps it all; the tool's own wait status
// when it is reaped here.
void endEverything(pid_t tool, int &toolStatus)
{
    const timespec pause = {0, 10 * 1000 * 1000};
    // A process that cannot be killed (stuck in the kernel) does not hold
    // the guard for ever.
    for (int round = 0; round < 500; ++round) {
        const bool killed = killTheRest();
        bool children = false;
        for (;;) {
            int status = 0;
            const pid_t reaped = ::waitpid(-1, &status, WNOHANG);
            if (reaped == tool)
                toolStatus = status;
            if (reaped == 0)
                children = true;
            if (reaped <= 0)
                break;
        }
        if (!killed && !children)
            return;
        ::nanosleep(&pause, nullptr);
    }
}

[[noreturn]] void endAs(int status)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        std::signal(signal, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, signal);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(signal);
        std::_Exit(128 + signal);
    }
    std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: vantrel-guard PROGRAM [ARGUMENT...]\n", stderr);
        return 127;
    }
    // The program's start left SIGKILL for the parent's end; from here the
    // guard wants to hear of it, to end the tools first.
    const pid_t parent = ::getppid();
    sigset_t awaited;
    sigemptyset(&awaited);
    for (const int signal : {SIGCHLD, SIGTERM, SIGINT, SIGHUP})
        sigaddset(&awaited, signal);
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &awaited, &before);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        return 127; // the parent ended before the guard stood

    const pid_t guard = ::getpid();
    const pid_t tool = ::fork();
    if (tool < 0) {
        std::perror("vantrel-guard: fork");
        return 127;
    }
    if (tool == 0) {
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != guard)
            std::_Exit(127);
        ::execvp(argv[1], argv + 1);
        std::fprintf(stderr, "vantrel-guard: cannot run %s: %s\n", argv[1], std::strerror(errno));
        std::_Exit(127);
    }

    int toolStatus = -1;
    for (;;) {
        siginfo_t info = {};
        const int signal = ::sigwaitinfo(&awaited, &info);
        if (signal < 0)
            continue; // interrupted
        if (signal != SIGCHLD) {
            endEverything(tool, toolStatus);
            std::_Exit(128 + signal);
        }
        // A child ended: the tool, or one handed to the guard.
        for (;;) {
            int status = 0;
            const pid_t reaped = ::waitpid(-1, &status, WNOHANG);
            if (reaped <= 0)
                break;
            if (reaped == tool)
                toolStatus = status;
        }
        if (toolStatus != -1) {
            // What the tool left running goes with it.
            endEverything(tool, toolStatus);
            endAs(toolStatus);
        }
    }
}
