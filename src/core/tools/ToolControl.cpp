#include "core/tools/ToolControl.h"

#include "core/tools/Process.h"

namespace vantrel {

namespace {

struct KeyText
{
    int key;
    const char *text;
};

// The player runs with -slave and reads whole command lines. A seek keeps a
// paused player paused ("pausing_keep"), as the window still shows it paused.
constexpr KeyText kPlayerKeys[] = {
    {KeySpace, "pause\n"},
    {KeyLeft, "pausing_keep seek -10 0\n"},
    {KeyRight, "pausing_keep seek 10 0\n"},
    {KeyQ, "quit\n"},
};

// The encoder reads single key presses from its standard input.
constexpr KeyText kEncoderKeys[] = {
    {KeyQ, "q"},
};

template <std::size_t N> QByteArray textOf(const KeyText (&table)[N], int key)
{
    for (const KeyText &row : table) {
        if (row.key == key)
            return QByteArray(row.text);
    }
    return QByteArray();
}

} // namespace

ToolControl::ToolControl(QObject *parent) : QObject(parent) {}

QByteArray ToolControl::playerKeyText(int key)
{
    return textOf(kPlayerKeys, key);
}

QByteArray ToolControl::encoderKeyText(int key)
{
    return textOf(kEncoderKeys, key);
}

void ToolControl::setPlayer(Process *player)
{
    m_playerId = track(player);
}

void ToolControl::addEncoder(Process *encoder)
{
    const qint64 pid = track(encoder);
    if (pid == 0)
        return;
    m_encoderIds.append(pid);
    // Once for this run: a tool started again for another pass is registered again.
    connect(
        encoder, &Process::finished, this, [this, pid] { m_encoderIds.removeAll(pid); },
        Qt::SingleShotConnection);
}

qint64 ToolControl::track(Process *tool)
{
    const qint64 pid = tool ? tool->processId() : 0;
    if (pid == 0)
        return 0;
    m_running.insert(pid, tool);
    const QPointer<Process> registered(tool);
    connect(
        tool, &Process::finished, this,
        [this, pid, registered] {
            // The system may reuse an id: only this tool's own entry goes.
            if (m_running.value(pid) == registered)
                m_running.remove(pid);
        },
        Qt::SingleShotConnection);
    return pid;
}

QList<qint64> ToolControl::encoderProcessIds() const
{
    QList<qint64> running;
    for (const qint64 pid : m_encoderIds) {
        if (isRunning(pid))
            running.append(pid);
    }
    return running;
}

bool ToolControl::isRunning(qint64 processId) const
{
    const QPointer<Process> tool = m_running.value(processId);
    return tool && tool->isRunning();
}

bool ToolControl::post(qint64 processId, const QByteArray &text)
{
    if (processId == 0 || text.isEmpty() || !isRunning(processId))
        return false;
    return m_running.value(processId)->write(text);
}

bool ToolControl::pausePlayer()
{
    return post(m_playerId, playerKeyText(KeySpace));
}

bool ToolControl::seekPlayerBack()
{
    return post(m_playerId, playerKeyText(KeyLeft));
}

bool ToolControl::seekPlayerForward()
{
    return post(m_playerId, playerKeyText(KeyRight));
}

bool ToolControl::quitPlayer()
{
    if (!isRunning(m_playerId))
        return false;
    playerStop().apply(*m_running.value(m_playerId));
    return true;
}

StopPolicy ToolControl::playerStop()
{
    return {playerKeyText(KeyQ), kPlayerGraceMs};
}

StopPolicy ToolControl::encoderStop(int graceMs)
{
    return {encoderKeyText(KeyQ), graceMs};
}

} // namespace vantrel
