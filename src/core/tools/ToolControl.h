#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

namespace vantrel {

class Process;

// Key codes the program sends to its tools.
enum ToolKey : int
{
    KeySpace = 32, // player: pause / resume
    KeyLeft = 37,  // player: seek back
    KeyRight = 39, // player: seek forward
    KeyQ = 81,     // player: quit; encoder: stop and finish the file
};

// The running player and encoder, known by process id, and the keys posted to
// them. A key reaches a tool as a line on its standard input: the encoder
// reads "q", the player runs in slave mode and reads its commands. An id of
// no running tool posts nothing.
class ToolControl : public QObject
{
    Q_OBJECT

public:
    explicit ToolControl(QObject *parent = nullptr);

    // Registers a started tool; it leaves the registry when it finishes. The
    // id stays as the last player or encoder id, as a stale id matches nothing.
    void setPlayer(Process *player);
    void setEncoder(Process *encoder);

    qint64 PlayerProcessId() const { return m_playerId; }
    qint64 EncoderProcessId() const { return m_encoderId; }
    bool isRunning(qint64 processId) const;

    // Both return whether something was written to a running tool.
    bool PostPlayerKey(int virtualKey);
    bool PostEncoderKey(int virtualKey);

    // The text a key becomes for the player or the encoder; empty when the
    // tool has no use for that key.
    static QByteArray playerKeyText(int virtualKey);
    static QByteArray encoderKeyText(int virtualKey);

private:
    void track(Process *tool, qint64 *id);
    bool post(qint64 processId, const QByteArray &text);

    QHash<qint64, QPointer<Process>> m_running;
    qint64 m_playerId = 0;
    qint64 m_encoderId = 0;
};

} // namespace vantrel
