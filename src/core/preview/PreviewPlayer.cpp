#include "core/preview/PreviewPlayer.h"

#include "core/tools/Process.h"
#include "core/tools/ToolControl.h"

#include <QCoreApplication>

namespace vantrel {

namespace {
// The end of a player's messages is all anyone reads.
constexpr qsizetype kKeptOutputChars = 16384;
} // namespace

ProcessPreviewPlayer::ProcessPreviewPlayer(ToolControl &tools, QObject *parent)
    : QObject(parent), m_tools(tools)
{}

ProcessPreviewPlayer::~ProcessPreviewPlayer()
{
    QObject *keeper = QCoreApplication::instance();
    for (const QPointer<Process> &player : std::as_const(m_players)) {
        if (!player)
            continue;
        player->disconnect(this);
        if (!keeper || !player->isRunning()) {
            delete player; // ends it at once if it still runs
            continue;
        }
        // It gets a moment to quit on its own, then it is ended. The
        // application keeps it meanwhile and deletes it when it ends first.
        player->setParent(keeper);
        connect(player, &Process::finished, player, &QObject::deleteLater);
        ToolControl::playerStop().apply(*player);
    }
}

void ProcessPreviewPlayer::start(const CommandLine &command)
{
    auto *player = new Process(this);
    player->setOutputLimit(kKeptOutputChars); // it reports its position for as long as it plays
    m_players.append(player);
    connect(player, &Process::finished, this, [this, player] {
        m_players.removeAll(player);
        player->deleteLater();
        if (running().isEmpty())
            notifyAllEnded();
    });
    player->start(command);
    // A start that failed leaves no current player (id 0).
    m_tools.setPlayer(player);
}

void ProcessPreviewPlayer::pause()
{
    m_tools.pausePlayer();
}

void ProcessPreviewPlayer::seekBack()
{
    m_tools.seekPlayerBack();
}

void ProcessPreviewPlayer::seekForward()
{
    m_tools.seekPlayerForward();
}

void ProcessPreviewPlayer::quit()
{
    // A player busy with a stream may not read its quit for a long while:
    // after the grace time it is ended.
    for (Process *player : running())
        ToolControl::playerStop().apply(*player);
}

QList<Process *> ProcessPreviewPlayer::running() const
{
    QList<Process *> out;
    for (const QPointer<Process> &player : m_players) {
        if (player && player->isRunning())
            out.append(player);
    }
    return out;
}

} // namespace vantrel
