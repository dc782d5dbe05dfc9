#pragma once

#include "core/tools/StopPolicy.h"

#include <QByteArray>
#include <QHash>
#include <QList>
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

// The running player and encoders, known by process id, and what the program
// tells the player. A command reaches a tool as text on its standard input:
// the encoder reads "q", the player runs in slave mode and reads whole
// command lines. A command for no running tool is dropped, so a stale id
// matches nothing.
class ToolControl : public QObject
{
    Q_OBJECT

public:
    // How long a player has to quit before it is ended: it has no file to
    // finish, only its window to leave.
    static constexpr int kPlayerGraceMs = 1000;

    explicit ToolControl(QObject *parent = nullptr);

    // Registers a started tool; it leaves the registry when it finishes.
    // The player's id stays as the last player id, as a stale id matches
    // nothing. Several encoders run at once, one per converting row.
    void setPlayer(Process *player);
    void addEncoder(Process *encoder);

    qint64 playerProcessId() const { return m_playerId; }
    // The registered encoders that run now, in the order they started.
    QList<qint64> encoderProcessIds() const;
    bool isRunning(qint64 processId) const;

    // Commands to the registered player; each returns whether it reached a
    // running player.
    bool pausePlayer(); // pauses, or resumes a paused player
    bool seekPlayerBack();
    bool seekPlayerForward();
    // Stops the registered player as every player is stopped (playerStop).
    bool quitPlayer();

    // How a player is made to quit, and an encoder to finish its file and
    // stop, each ended at once when still there after the grace.
    static StopPolicy playerStop();
    static StopPolicy encoderStop(int graceMs);

    // The table behind the commands: the text a key becomes for the player
    // or the encoder, empty when the tool has no use for that key.
    static QByteArray playerKeyText(int key);
    static QByteArray encoderKeyText(int key);

private:
    qint64 track(Process *tool);
    bool post(qint64 processId, const QByteArray &text);

    QHash<qint64, QPointer<Process>> m_running;
    qint64 m_playerId = 0;
    QList<qint64> m_encoderIds; // started, not yet finished
};

} // namespace vantrel
