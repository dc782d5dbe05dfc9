#include "core/preview/PreviewPlayer.h"

#include "core/tools/Process.h"
#include "core/tools/ToolControl.h"

#include <QCoreApplication>
#include <QTimer>

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
    const QByteArray quit = ToolControl::playerKeyText(KeyQ);
    QObject *keeper = QCoreApplication::instance();
    for (const QPointer<Process> &player : std::as_const(m_players)) {
        if (!player)
            continue;
        player->disconnect(this);
        if (!keeper || !player->isRunning()) {
            delete player; // ends it at once if it still runs
            continue;
        }
        // It gets a moment to quit on its own; then deleting it kills it. The
        // application keeps it meanwhile and deletes it when it ends first.
        player->write(quit);
        player->setParent(keeper);
        connect(player, &Process::finished, player, &QObject::deleteLater);
        QTimer::singleShot(kQuitGraceMs, player, [p = player.data()] { delete p; });
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
    });
    player->start(command);
    // A start that failed leaves no current player (id 0).
    m_tools.setPlayer(player);
}

void ProcessPreviewPlayer::postKey(int virtualKey)
{
    m_tools.PostPlayerKey(virtualKey);
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
