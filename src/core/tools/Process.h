#pragma once

#include "core/tools/CommandLine.h"

#include <QMetaType>
#include <QObject>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

class QProcess;

namespace vantrel {

// How one tool run ended.
struct ProcessResult
{
    enum class Ending
    {
        Exited,        // the tool ended by itself; `exitCode` is its code
        Crashed,       // a signal ended it; `exitCode` is the signal's number
        FailedToStart, // it never ran: missing, not executable, no interpreter
        Stopped        // the program ended it (stop(), a new start, the object's end)
    };

    Ending ending = Ending::FailedToStart;
    int exitCode = 0;

    bool succeeded() const { return ending == Ending::Exited && exitCode == 0; }
    bool started() const { return ending != Ending::FailedToStart; }
};

// "exited with code 3", "crashed (signal 11)", "could not be started", "was stopped".
QString endingText(const ProcessResult &result);

// Runs one command-line tool as a child process with its standard output and
// error collected as one text. Nothing waits: `start` returns at once and
// `finished` tells how the tool ended. The arguments reach the tool as given;
// no shell ever sees them. The tool dies with this program, however the
// program ends.
//
// A program that cannot be found is refused inside `start`, which then
// emits `finished` with FailedToStart before it returns, so that no caller
// ever takes a tool that never ran for a running one.
class Process : public QObject
{
    Q_OBJECT

public:
    explicit Process(QObject *parent = nullptr);
    // Stops a tool that still runs (finished: Stopped).
    ~Process() override;

    // Keeps only this many characters of output, the most recent; 0 keeps all.
    // A tool that reports its progress for hours need not fill the memory.
    void setOutputLimit(qsizetype characters) { m_outputLimit = characters; }
    // From the next start on, standard output is data, not text: it arrives
    // as `dataReceived` and only standard error makes up `output()`.
    void setDataOutput(bool data) { m_dataOutput = data; }
    // From the next start on, the tool runs at a lower priority: work that
    // may wait (probing) yields to work someone waits for (converting).
    void setBackground(bool background) { m_background = background; }
    // From the next start on, the tool and the tools it starts form a process
    // group of their own, and stopping it ends them all: a tool that hands
    // its work to another (yt-dlp to FFmpeg) leaves none of it running. The
    // tool runs under the project's guard (vantrel-guard), so that what it
    // starts also ends when this program ends in any way, even the tools
    // that left the group.
    void setOwnGroup(bool ownGroup) { m_ownGroup = ownGroup; }
    // Why a tool of its own group would run unguarded (vantrel-guard missing
    // or not executable): what it starts could then outlive the program.
    // None when the guard is there.
    static std::optional<QString> guardMissingReason();
    // From the next start on, the tool and what it starts may hold at most
    // this many bytes of data (RLIMIT_DATA, where the system has it); 0: no
    // limit. A tool that reads whatever a server sends then fails rather than
    // fill the memory.
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = bytes; }
    // From the next start on, the tool sees `name` set to `value` in its
    // environment, the program's own otherwise.
    void setEnvironmentValue(const QString &name, const QString &value);

    // Runs `command` with `extraArguments` after its own. A tool of an earlier
    // start that still runs is stopped first.
    void start(const CommandLine &command, const QStringList &extraArguments = {});
    // Ends the running tool at once (finished: Stopped); nothing when none runs.
    void stop();
    // Sends text to the tool's standard input; false when it does not run.
    bool write(const QByteArray &data);

    bool isRunning() const;
    // 0 when no tool runs.
    qint64 processId() const;
    // What the tool has written so far, standard output and error together
    // (standard error alone with data output).
    QString output() const { return m_output; }
    // The command as one text (the command line's text, one blank, the
    // extra arguments), as a log shows it.
    QString commandText() const;
    // How the last run ended; none before the first start and while it runs.
    std::optional<ProcessResult> result() const { return m_result; }

Q_SIGNALS:
    void outputReceived(const QString &text);
    void dataReceived(const QByteArray &data);
    void finished(const vantrel::ProcessResult &result);

private:
    void readOutput();
    void readData();
    ProcessResult endedRun() const;
    void onFinished();
    void kill();
    void end(ProcessResult result);
    void release();

    QProcess *m_process = nullptr;
    QStringDecoder m_decoder;
    CommandLine m_command;
    QStringList m_extraArguments;
    QString m_output;
    qsizetype m_outputLimit = 0;
    bool m_dataOutput = false;
    bool m_background = false;
    bool m_ownGroup = false;
    bool m_guarded = false; // the running tool runs under the guard
    qint64 m_memoryLimit = 0;
    QList<QPair<QString, QString>> m_environment;
    std::optional<ProcessResult> m_result;
};

} // namespace vantrel

Q_DECLARE_METATYPE(vantrel::ProcessResult)
