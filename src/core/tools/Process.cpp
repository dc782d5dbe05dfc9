#include "core/tools/Process.h"

#include "core/common/Logging.h"
#include "core/settings/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#if defined(Q_OS_LINUX)
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

// Whether `program` names an executable file where starting it looks: a name
// with a folder as given, a bare name on PATH or in the current folder. The
// process start itself reports a missing program only later from the event
// loop; checking first lets `start` refuse it at once.
bool canStart(const QString &program)
{
    const QFileInfo info(program);
    if (info.fileName().isEmpty())
        return false;
    if (info.fileName() == program && !QStandardPaths::findExecutable(program).isEmpty())
        return true;
    return !QStandardPaths::findExecutable(info.fileName(), {info.absolutePath()}).isEmpty();
}

#if defined(Q_OS_LINUX)
// In the child before it runs the tool: every descriptor beyond the standard
// three closes on exec, whether this program opened it without saying so or
// inherited it, so that a tool holds nothing of the program's (a signal
// socket, a file being written, the desktop's descriptors).
void closeOtherDescriptorsOnExec()
{
#if defined(CLOSE_RANGE_CLOEXEC)
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
#endif
    rlimit limit = {};
    const rlim_t last = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                            ? std::min<rlim_t>(limit.rlim_cur, 65536)
                            : 65536;
    for (int fd = 3; rlim_t(fd) < last; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}
#endif

// Ties a child's life to this program's: when the program ends in any way
// (a crash, SIGKILL included), the system kills the child, so that no
// encoder goes on writing for a program that is gone.
// A background child yields the processor to the others (the encoder that
// converts while a file is probed). A child that leads a group of its own
// takes the tools it starts into that group, so that they can be ended
// together. A memory limit bounds what the child and its children may hold.
void tieChildToParent(QProcess &process, bool background, bool ownGroup, qint64 memoryLimit)
{
#if defined(Q_OS_LINUX)
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent, background, ownGroup, memoryLimit] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127); // the parent ended before the tie was made
        if (background) [[maybe_unused]]
            const int niceness = ::nice(10);
        if (ownGroup)
            ::setpgid(0, 0);
        if (memoryLimit > 0) {
            const rlimit limit = {rlim_t(memoryLimit), rlim_t(memoryLimit)};
            ::setrlimit(RLIMIT_DATA, &limit);
        }
        closeOtherDescriptorsOnExec();
    });
#else
    Q_UNUSED(process)
    Q_UNUSED(background)
    Q_UNUSED(ownGroup)
    Q_UNUSED(memoryLimit)
#endif
}

// The command that runs `args` under the guard, for a tool that starts
// tools. The guard runs the tool by the path the program would have taken:
// a bare name as found on PATH, any other as a full path.
QStringList guarded(QStringList args)
{
    const QString guard = AppPaths::helperProgram(QStringLiteral("vantrel-guard"));
    if (guard.isEmpty()) {
        qCWarning(lcTools).noquote() << *Process::guardMissingReason();
        return args;
    }
    const QString tool = args.constFirst();
    const QString onPath = QStandardPaths::findExecutable(tool);
    const bool bare = QFileInfo(tool).fileName() == tool;
    args.first() = bare && !onPath.isEmpty() ? onPath : QFileInfo(tool).absoluteFilePath();
    return QStringList{guard} + args;
}

// How long a guard asked to end may take before its group is killed.
constexpr int kGuardGraceMs = 5000;

#if defined(Q_OS_LINUX)
// Kills every process of group `group` but its leader: a guard's tool and
// what stayed in its group end at once, while the guard lives on to end
// what left the group.
void killGroupButLeader(pid_t group)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const pid_t pid = pid_t(entry.toInt(&number));
        if (!number || pid == group)
            continue;
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid pgrp ...": the command name may hold anything.
        const QByteArray text = stat.read(1024);
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields.at(2).toInt() == group)
            ::kill(pid, SIGKILL);
    }
}
#endif

} // namespace

std::optional<QString> Process::guardMissingReason()
{
    if (!AppPaths::helperProgram(QStringLiteral("vantrel-guard")).isEmpty())
        return std::nullopt;
    return QCoreApplication::translate(
        "Process", "vantrel-guard is missing or cannot be run (reinstall the program): the tools "
                   "yt-dlp starts may go on running after it ends.");
}

QString endingText(const ProcessResult &result)
{
    switch (result.ending) {
    case ProcessResult::Ending::Exited:
        return QStringLiteral("exited with code %1").arg(result.exitCode);
    case ProcessResult::Ending::Crashed:
        return QStringLiteral("crashed (signal %1)").arg(result.exitCode);
    case ProcessResult::Ending::FailedToStart:
        return QStringLiteral("could not be started");
    case ProcessResult::Ending::Stopped:
        return QStringLiteral("was stopped");
    }
    return QString();
}

Process::Process(QObject *parent) : QObject(parent), m_decoder(QStringDecoder::System) {}

void Process::setEnvironmentValue(const QString &name, const QString &value)
{
    m_environment.append({name, value});
}

Process::~Process()
{
    stop();
}

QString Process::commandText() const
{
    return m_command.text() + QLatin1Char(' ') + m_extraArguments.join(QLatin1Char(' '));
}

bool Process::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 Process::processId() const
{
    return m_process ? m_process->processId() : 0;
}

void Process::start(const CommandLine &command, const QStringList &extraArguments)
{
    stop();
    m_command = command;
    m_extraArguments = extraArguments;
    m_result.reset();
    m_output.clear();
    m_decoder.resetState();
    qCInfo(lcTools).noquote() << "start:" << commandText();

    QStringList args = m_command.arguments() + m_extraArguments;
    if (args.isEmpty() || !canStart(args.constFirst())) {
        end({ProcessResult::Ending::FailedToStart, 0});
        return;
    }
    if (m_ownGroup)
        args = guarded(args);
    m_guarded =
        m_ownGroup && QFileInfo(args.constFirst()).fileName() == QLatin1String("vantrel-guard");
    m_process = new QProcess(this);
    tieChildToParent(*m_process, m_background, m_ownGroup, m_memoryLimit);
    if (!m_environment.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : std::as_const(m_environment))
            environment.insert(name, value);
        m_process->setProcessEnvironment(environment);
    }
    if (m_dataOutput) {
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        connect(m_process, &QProcess::readyReadStandardOutput, this, &Process::readData);
        connect(m_process, &QProcess::readyReadStandardError, this, &Process::readOutput);
    } else {
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        connect(m_process, &QProcess::readyRead, this, &Process::readOutput);
    }
    connect(m_process, &QProcess::finished, this, &Process::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onFinished();
    });
    m_process->start(args.constFirst(), args.mid(1));
}

void Process::readOutput()
{
    if (!m_process)
        return;
    const QByteArray bytes =
        m_dataOutput ? m_process->readAllStandardError() : m_process->readAllStandardOutput();
    if (bytes.isEmpty())
        return;
    const QString text = m_decoder.decode(bytes);
    if (text.isEmpty())
        return;
    m_output += text;
    if (m_outputLimit > 0 && m_output.size() > m_outputLimit)
        m_output.remove(0, m_output.size() - m_outputLimit);
    Q_EMIT outputReceived(text);
}

void Process::readData()
{
    if (!m_process)
        return;
    const QByteArray data = m_process->readAllStandardOutput();
    if (!data.isEmpty())
        Q_EMIT dataReceived(data);
}

bool Process::write(const QByteArray &data)
{
    if (!isRunning())
        return false;
    return m_process->write(data) == data.size();
}

ProcessResult Process::endedRun() const
{
    if (m_process->error() == QProcess::FailedToStart)
        return {ProcessResult::Ending::FailedToStart, 0};
    if (m_process->exitStatus() == QProcess::CrashExit)
        return {ProcessResult::Ending::Crashed, m_process->exitCode()};
    return {ProcessResult::Ending::Exited, m_process->exitCode()};
}

void Process::onFinished()
{
    if (!m_process)
        return;
    if (m_dataOutput)
        readData();
    readOutput();
    const ProcessResult result = endedRun();
    release();
    end(result);
}

void Process::stop()
{
    if (!m_process)
        return;
    readOutput();
    ProcessResult result = {ProcessResult::Ending::Stopped, 0};
    if (m_process->state() == QProcess::NotRunning)
        result = endedRun(); // it ended by itself; its end was not handled yet
    else
        kill();
    release();
    end(result);
}

void Process::kill()
{
#if defined(Q_OS_LINUX)
    const pid_t pid = pid_t(m_process->processId());
    // A guard is asked to end: it ends the tool's group and what left it
    // (yt-dlp's FFmpeg in a session of its own), which killing the group
    // with the guard in it would leave running. Should it not end, its
    // group is killed after a grace time.
    if (m_guarded && pid > 0) {
        killGroupButLeader(pid);
        ::kill(pid, SIGTERM);
        QTimer::singleShot(kGuardGraceMs, m_process, [pid] { ::kill(-pid, SIGKILL); });
        return;
    }
    // What the tool started goes with it at once; the group is the tool's
    // own, made in the child before it ran anything.
    if (m_ownGroup && pid > 0)
        ::kill(-pid, SIGKILL);
#endif
    m_process->kill();
}

void Process::end(ProcessResult result)
{
    m_result = result;
    const QStringList args = m_command.arguments();
    qCInfo(lcTools).noquote() << "end:" << QFileInfo(args.value(0)).fileName()
                              << endingText(result);
    Q_EMIT finished(result);
}

void Process::release()
{
    QProcess *process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // A killed tool is reaped when it has gone; nobody waits for it.
    process->setParent(nullptr);
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
}

} // namespace vantrel
