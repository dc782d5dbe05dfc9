#pragma once

#include "core/tools/CommandLine.h"

#include <QDateTime>
#include <QObject>
#include <QStringDecoder>
#include <QStringList>

class QProcess;

namespace vantrel {

// Runs one command-line tool as a child process with its standard output and
// error collected as text. `Launch` with `Async` false returns when the tool
// has ended (the one place where the program waits for a tool); with `Async`
// true it returns at once and `Finished` tells when the tool is done.
//
// A program that cannot be started leaves the instance idle: `StdOut` empty,
// `RC` 0, `IsActive` false, and `Finished` is still raised once. A program that
// is not found at all is refused before `Launch` returns, in both modes.
class Process : public QObject
{
    Q_OBJECT

public:
    explicit Process(QObject *parent = nullptr);
    ~Process() override;

    CommandLine CmdLine;    // the program and its arguments
    QStringList Parameters; // further arguments after CmdLine's
    bool Async = false;
    // Keeps only this many characters of output, the most recent; 0 keeps all.
    // A tool that reports its progress for hours need not fill the memory.
    qsizetype OutputLimit = 0;

    // The command as one text: CmdLine's text, one blank, the parameters.
    QString commandText() const;

    QDateTime StartTime() const { return m_startTime; }
    QString ElapsedTime() const; // "0:01:15"
    int RC() const { return m_exitCode; }
    QString StdOut() const { return m_output; }
    qint64 processId() const;
    // Whether the last Launch got the tool running (false for a missing program).
    bool started() const { return m_started; }

    void Launch();
    // Moves what the tool has written so far into StdOut.
    void Read();
    bool IsActive() const;
    // Ends the tool if it still runs and records `exitCode` (or the tool's own
    // code when 0 and the tool has already ended), keeps the output, raises
    // Finished. A second call changes nothing and only raises Finished again.
    void Abort(int exitCode);

    // Sends text to the tool's standard input; false when it does not run.
    bool write(const QByteArray &data);

Q_SIGNALS:
    void Finished();
    void StdOutChanged(const QString &text);

private:
    void onFinished();
    void release();

    QProcess *m_process = nullptr;
    QStringDecoder m_decoder;
    QString m_output;
    int m_exitCode = 0;
    bool m_started = false;
    QDateTime m_startTime;
};

} // namespace vantrel
