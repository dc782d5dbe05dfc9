#pragma once

#include "core/tools/StopPolicy.h"
#include <QByteArray>
#include <QHash>

#include <QObject>
#include <QPointer>

namespace vantrel {

class Process;

// The keys of the table that turns each command into a tool's input: the
// codes of the keys that the tools' consoles once received.
enum ToolKey : int
{
    KeySpace = 32, // player: pause / resume
    KeyLeft = 37,  // player: seek back
    KeyRight = 39, // player: seek forward
    KeyQ = 81,     // player: quit; encoder: stop and finish the file
};

// The running player and encoder, known by process id, and what the program
// tells them. A command reaches a tool as text on its standard input: the
// encoder reads "q", the player runs in slave mode and reads whole command
// lines. A command for no running tool is dropped, so a stale id matches
// nothing.
class ToolControl : public QObject
{
    Q_OBJECT

public:
    explicit ToolControl(QObject *parent = nullptr);

    // Registers a started tool; it leaves the registry when it finishes. The
    // id stays as the last player or encoder id, as a stale id matches nothing.
    void setPlayer(Process *player);
    void setEncoder(Process *encoder);

    qint64 playerProcessId() const { return m_playerId; }
    qint64 encoderProcessId() const { return m_encoderId; }
    bool isRunning(qint64 processId) const;

    // Commands to the registered player; each returns whether it reached a
    // running player.
    bool pausePlayer(); // pauses, or resumes a paused player
    bool seekPlayerBack();
    bool seekPlayerForward();
    bool quitPlayer();
    // Tells a player that is not (or no longer) the registered one to quit.
    static bool quitPlayer(Process &player);
    // How a player is made to quit, and an encoder to finish its file and
    // stop, each given `graceMs` before it is ended at once.
    static StopPolicy playerStop(int graceMs);
    static StopPolicy encoderStop(int graceMs);

    // Tells the registered encoder to stop reading and finish its output
    // file; whether it reached a running encoder.
    bool finishEncoding();

    // The table behind the commands: the text a key becomes for the player
    // or the encoder, empty when the tool has no use for that key.
    static QByteArray playerKeyText(int key);
    static QByteArray encoderKeyText(int key);

private:
    void track(Process *tool, qint64 *id);
    bool post(qint64 processId, const QByteArray &text);

    QHash<qint64, QPointer<Process>> m_running;
    qint64 m_playerId = 0;
    qint64 m_encoderId = 0;
};

} // namespace vantrel
