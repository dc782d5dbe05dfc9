#pragma once

#include "core/preview/PositionTimer.h"
#include "core/preview/PreviewPlayer.h"
#include "core/preview/PreviewState.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

class PictureRotation;
class SourceList;
class ToolControl;

// One preview area: the player playing the current file inside the area's
// video surface, the buttons' commands, and the position the area shows.
//
// The position is counted, not read from the player: every tick of the
// position timer adds one second. Commands that change the playing position
// (First Frame, Last Frames, a released slider) quit the running player and
// start a new one at an offset; Pause, Back and Forward are keys posted to the
// running player.
class PreviewController : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSliderMaximum = 100;

    // Gives the native window id of the video surface at the moment a player starts.
    using SurfaceId = std::function<quint64()>;

    PreviewController(QString playerPath, std::unique_ptr<PreviewPlayer> player,
                      std::unique_ptr<PositionTimer> timer, QObject *parent = nullptr);
    // Players as processes registered with `tools`, a 1000 ms timer, and
    // each local file's rotation read before its player starts.
    PreviewController(const QString &playerPath, ToolControl &tools, QObject *parent = nullptr);
    // Stops the timer; the players still running are told to quit (see
    // ProcessPreviewPlayer).
    ~PreviewController() override;

    void setVideoSurface(SurfaceId windowId) { m_surface = std::move(windowId); }
    // The file a later First Frame or Last Frames plays (a click on a row).
    void setCurrentFile(const QString &file) { m_state.currentFile = file; }
    // A new file is loaded: the position starts at 0 with the given duration.
    void resetPosition(int durationSeconds)
    {
        m_state.position = 0;
        m_state.duration = durationSeconds;
    }

    const PreviewState &state() const { return m_state; }
    int sliderValue() const { return m_slider; }
    QString positionText() const { return m_positionText; }
    QString totalText() const { return m_totalText; }
    // What the panel says of the picture it shows: that an HDR one is shown
    // paler than it is; empty for any other.
    QString pictureNote() const { return m_pictureNote; }
    bool isTimerEnabled() const { return m_timer->isEnabled(); }
    PreviewPlayer &player() { return *m_player; }

    // Play in the main window: the selected row of `list` from its start.
    // Nothing with an empty list; without a selected row the current file
    // plays and the duration stays.
    void playRow(const SourceList &list, std::optional<int> row);
    // Play in the trimming window: `file` from its start, with the duration
    // given as a time text.
    void playFile(const QString &file, const QString &durationText);
    void pause();
    void stop();
    void back();
    void forward();
    void firstFrame();
    void lastFrames();
    // The position slider was released at `value` (0 to 100).
    void seek(int value);
    // One tick of the position timer.
    void tick();

    // Posts Q to the running player; opening the trimming window and leaving
    // the main window end the preview this way and stop the timer.
    void quitPlayer();
    void stopTimer() { m_timer->setEnabled(false); }
    // Both: the preview gives way to another window.
    void giveWay()
    {
        quitPlayer();
        stopTimer();
    }

Q_SIGNALS:
    void sliderValueChanged(int value);
    void positionTextChanged(const QString &text);
    void totalTextChanged(const QString &text);
    void pictureNoteChanged(const QString &text);
    // No player draws into the video surface any more.
    void playersEnded();

private:
    void play(const std::optional<QString> &file, const std::optional<QString> &durationText);
    // Starts the player once the file's rotation is known (at once without
    // a PictureRotation).
    void startPlayer(std::optional<int> offsetSeconds);
    void setSlider(int value);
    void setPositionText(const QString &text);
    void setTotalText(const QString &text);

    QString m_playerPath;
    std::unique_ptr<PreviewPlayer> m_player;
    std::unique_ptr<PositionTimer> m_timer;
    std::unique_ptr<PictureRotation> m_rotation;
    SurfaceId m_surface;
    PreviewState m_state;
    int m_slider = 0;
    QString m_positionText;
    QString m_totalText;
    QString m_pictureNote;
    // Last Frames started the player at the known end: when the position
    // passes the end, a player that is still there has nothing to play.
    bool m_quitWhenTimerStops = false;
};

} // namespace vantrel
