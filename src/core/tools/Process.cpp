#include "core/tools/Process.h"

#include "core/common/TimeText.h"

#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

namespace vantrel {

namespace {

// Whether `program` names an executable file where starting it looks: a name
// with a folder as given, a bare name on PATH or in the current folder. The
// process start itself reports a missing program only later from the event
// loop; checking first lets an asynchronous Launch fail at once as well, so
// that no caller takes a tool that never ran for a running one.
bool canStart(const QString &program)
{
    const QFileInfo info(program);
    if (info.fileName().isEmpty())
        return false;
    if (info.fileName() == program && !QStandardPaths::findExecutable(program).isEmpty())
        return true;
    return !QStandardPaths::findExecutable(info.fileName(), {info.absolutePath()}).isEmpty();
}

} // namespace

Process::Process(QObject *parent) : QObject(parent), m_decoder(QStringDecoder::System) {}

Process::~Process()
{
    Abort(0);
}

QString Process::commandText() const
{
    return CmdLine.text() + QLatin1Char(' ') + Parameters.join(QLatin1Char(' '));
}

QString Process::ElapsedTime() const
{
    if (!m_startTime.isValid())
        return timeText(0);
    return timeText(m_startTime.secsTo(QDateTime::currentDateTime()));
}

qint64 Process::processId() const
{
    return m_process ? m_process->processId() : 0;
}

void Process::Launch()
{
    if (m_process)
        Abort(0);
    m_exitCode = 0;
    m_started = false;
    m_output.clear();
    m_decoder.resetState();
    m_startTime = QDateTime::currentDateTime();

    const QStringList args = CmdLine.arguments() + Parameters;
    if (args.isEmpty() || !canStart(args.constFirst())) {
        Q_EMIT Finished();
        return;
    }
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::readyRead, this, &Process::Read);
    connect(m_process, &QProcess::finished, this, &Process::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onFinished();
    });
    m_process->start(args.constFirst(), args.mid(1));
    if (!Async && m_process) {
        // The synchronous form waits by definition; everything else in the
        // program uses the asynchronous one. A handler may delete this object
        // while it waits, so the wait goes through guarded pointers.
        const QPointer<Process> self(this);
        const QPointer<QProcess> process(m_process);
        process->setParent(nullptr); // outlives this object if a handler deletes it
        if (process->waitForStarted(-1) && process)
            process->waitForFinished(-1);
        if (!self) {
            if (process)
                process->deleteLater();
            return;
        }
        if (process)
            process->setParent(this);
        if (m_process)
            onFinished();
    }
}

void Process::Read()
{
    if (!m_process)
        return;
    const QByteArray bytes = m_process->readAll();
    if (bytes.isEmpty())
        return;
    const QString text = m_decoder.decode(bytes);
    if (text.isEmpty())
        return;
    m_output += text;
    if (OutputLimit > 0 && m_output.size() > OutputLimit)
        m_output.remove(0, m_output.size() - OutputLimit);
    Q_EMIT StdOutChanged(text);
}

bool Process::IsActive() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool Process::write(const QByteArray &data)
{
    if (!IsActive())
        return false;
    return m_process->write(data) == data.size();
}

void Process::onFinished()
{
    if (!m_process)
        return;
    Read();
    m_started = m_process->error() != QProcess::FailedToStart;
    m_exitCode = m_started ? m_process->exitCode() : 0;
    release();
    Q_EMIT Finished();
}

void Process::Abort(int exitCode)
{
    if (m_process) {
        Read();
        if (m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_started = true;
            m_exitCode = exitCode;
        } else {
            m_exitCode = exitCode != 0 ? exitCode : m_process->exitCode();
        }
        release();
    }
    Q_EMIT Finished();
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
