#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace vantrel {

// The last bytes of a file (at most `maxBytes`); empty when it cannot be read.
// A tick costs the same for a two-hour film as for a ten-second clip.
QByteArray readFileTail(const QString &path, qint64 maxBytes = 8192);

// The last complete line of a text: lines end at LF and a trailing CR is
// dropped, so CR LF and LF files read the same. A last line without its line
// end is still being written and is skipped. Empty when there is none.
QString lastCompleteLine(const QByteArray &text);

// 100 * encoded / duration, rounded half to even; no value for a zero duration.
std::optional<int> filePercent(double encodedSeconds, int durationSeconds);

// The progress of a running conversion: counts the elapsed seconds once a
// second, and moves the file's percent, never back, as the encoder's status
// tells its time (at once, as each status line comes). Only an encoder that
// has told no time yet is followed by its statistics file, once a second:
// that file is written through a buffer and lags behind.
class ProgressTicker : public QObject
{
    Q_OBJECT

public:
    explicit ProgressTicker(QString statisticsPath, QObject *parent = nullptr);

    // The time the encoder's status line gives now.
    void setEncodedSeconds(double seconds);

    // Elapsed seconds back to 0, ticking every second; the percent is of
    // `durationSeconds`.
    void start(int durationSeconds);
    // The next pass of the same work: the percent starts again, the elapsed
    // time goes on.
    void startPass(int durationSeconds);
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    int elapsedSeconds() const { return m_elapsedSeconds; }
    // A zero duration keeps the bar where it is.
    void setDurationSeconds(int seconds) { m_durationSeconds = seconds; }

    // One tick; the timer calls it, tests may too.
    void tick();

Q_SIGNALS:
    void elapsedTextChanged(const QString &text);
    // Within 0..100; sent when it grows.
    void filePercentChanged(int percent);
    // The output's time as read at a tick, whatever the duration.
    void encodedSecondsRead(double seconds);

private:
    void show(double encodedSeconds);

    QString m_statisticsPath;
    int m_elapsedSeconds = 0;
    int m_durationSeconds = 0;
    bool m_statusTold = false; // the encoder's status has given a time
    QTimer m_timer;
    int m_lastPercent = -1;
};

} // namespace vantrel
