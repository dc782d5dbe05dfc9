#include "core/preview/PreviewController.h"

#include "core/common/NumberText.h"
#include "core/common/TimeText.h"
#include "core/preview/PictureRotation.h"
#include "core/preview/PlayerCommand.h"
#include "core/sources/SourceList.h"
#include "core/tools/ToolControl.h"

namespace vantrel {

PreviewController::PreviewController(QString playerPath, std::unique_ptr<PreviewPlayer> player,
                                     std::unique_ptr<PositionTimer> timer, QObject *parent)
    : QObject(parent), m_playerPath(std::move(playerPath)), m_player(std::move(player)),
      m_timer(std::move(timer)), m_positionText(timeText(0)),
      m_totalText(tr("Total time:") + QLatin1Char(' ') + timeText(0))
{
    m_timer->onTick([this] { tick(); });
    m_player->setAllEndedHandler([this] { Q_EMIT playersEnded(); });
}

PreviewController::PreviewController(const QString &playerPath, ToolControl &tools, QObject *parent)
    : PreviewController(playerPath, std::make_unique<ProcessPreviewPlayer>(tools),
                        std::make_unique<QtPositionTimer>(), parent)
{
    m_rotation = std::make_unique<PictureRotation>();
}

PreviewController::~PreviewController()
{
    m_timer->setEnabled(false);
    m_timer->onTick({});
    m_player->setAllEndedHandler({});
    m_rotation.reset();
    m_player.reset();
}

void PreviewController::playRow(const SourceList &list, std::optional<int> row)
{
    if (list.count() == 0)
        return;
    const SourceItem *item = row && *row >= 0 && *row < list.count() ? &list.item(*row) : nullptr;
    if (!item) {
        play(std::nullopt, std::nullopt);
        return;
    }
    play(item->fileName, item->videoTime);
}

void PreviewController::playFile(const QString &file, const QString &durationText)
{
    play(file, durationText);
}

void PreviewController::play(const std::optional<QString> &file,
                             const std::optional<QString> &durationText)
{
    quitPlayer();
    if (file)
        m_state.currentFile = *file;
    startPlayer(std::nullopt);
    if (durationText) {
        // The caption and the text join without a blank, as the row's time follows it.
        setTotalText(tr("Total time:") + *durationText);
    }
    m_state.position = 0;
    // A duration that is no time keeps the duration of the file played before.
    if (durationText) {
        if (const std::optional<int> seconds = secondsOfTimeText(*durationText))
            m_state.duration = *seconds;
    }
    m_timer->setEnabled(true);
}

void PreviewController::pause()
{
    m_player->pause();
    m_timer->setEnabled(!m_timer->isEnabled());
}

void PreviewController::stop()
{
    quitPlayer();
    m_state.position = 0;
    m_timer->setEnabled(false);
    setPositionText(QString());
}

void PreviewController::back()
{
    m_player->seekBack();
}

void PreviewController::forward()
{
    m_player->seekForward();
}

void PreviewController::firstFrame()
{
    quitPlayer();
    startPlayer(std::nullopt);
    m_state.position = 0;
    m_timer->setEnabled(true);
}

void PreviewController::lastFrames()
{
    quitPlayer();
    startPlayer(m_state.duration);
    m_quitWhenTimerStops = m_state.duration > 0;
    // The next tick counts past the end and stops the timer.
    m_state.position = m_state.duration;
    m_timer->setEnabled(true);
}

void PreviewController::seek(int value)
{
    m_slider = value;
    const qint64 product = qint64(value) * m_state.duration;
    m_state.position = static_cast<int>(roundHalfEven(double(product) / 100.0));
    setPositionText(timeText(m_state.position));
    if (m_state.position < m_state.duration) {
        // A new player plays: the window counts again, paused or not before.
        quitPlayer();
        startPlayer(m_state.position);
        m_timer->setEnabled(true);
    } else {
        m_timer->setEnabled(false);
    }
}

void PreviewController::tick()
{
    ++m_state.position;
    if (m_state.duration != 0) {
        const double percent =
            roundHalfEven(double(m_state.position) / double(m_state.duration) * 100.0);
        if (percent >= 0 && percent <= kSliderMaximum)
            setSlider(static_cast<int>(percent));
    }
    setPositionText(timeText(m_state.position));
    if (m_state.position >= m_state.duration) {
        m_timer->setEnabled(false);
        // A player started at the end does not always end by itself.
        if (std::exchange(m_quitWhenTimerStops, false))
            quitPlayer();
    }
}

void PreviewController::quitPlayer()
{
    // A player still waiting for its file's rotation never starts.
    if (m_rotation)
        m_rotation->forget();
    m_player->quit();
}

void PreviewController::startPlayer(std::optional<int> offsetSeconds)
{
    m_quitWhenTimerStops = false;
    const auto launch = [this, offsetSeconds](int rotation) {
        PlayerCommand command;
        command.playerPath = m_playerPath;
        command.offsetSeconds = offsetSeconds;
        command.windowId = m_surface ? m_surface() : 0;
        command.file = m_state.currentFile;
        command.rotation = rotation;
        // The player shows an HDR picture as it is stored, without its range.
        const QString note =
            m_rotation && m_rotation->isHdr(m_state.currentFile)
                ? tr("HDR picture: the preview shows it paler than it is. The converted file "
                     "keeps its HDR or tone-maps it, as the profile's HDR item says.")
                : QString();
        if (std::exchange(m_pictureNote, note) != note)
            Q_EMIT pictureNoteChanged(note);
        const CommandLine line = command.build();
        m_state.commandLine = line.text();
        // Without a file there is nothing to play.
        if (!m_state.currentFile.isEmpty())
            m_player->start(line);
    };
    if (m_rotation && !m_state.currentFile.isEmpty())
        m_rotation->lookUp(m_state.currentFile, launch);
    else
        launch(0);
}

void PreviewController::setSlider(int value)
{
    m_slider = value;
    Q_EMIT sliderValueChanged(value);
}

void PreviewController::setPositionText(const QString &text)
{
    m_positionText = text;
    Q_EMIT positionTextChanged(text);
}

void PreviewController::setTotalText(const QString &text)
{
    m_totalText = text;
    Q_EMIT totalTextChanged(text);
}

} // namespace vantrel
