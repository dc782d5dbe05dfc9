#pragma once

#include "core/tools/LineAssembler.h"
#include "core/tools/Process.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace vantrel {

// How much of a file's end a check decodes.
enum class CheckDepth
{
    KeyPictures, // the key pictures of its last second, and its last second of sound
    Whole        // every picture from the key picture before its last second
};

// The encoder arguments that decode what proves each of `paths` plays, into
// nothing: its first picture and first second of sound, and its end as
// `depth` says, reporting each stream's decoded frames and every decoder
// error. File `i` is read as the inputs 2i (its start) and 2i + 1 (its end).
QStringList playCheckArguments(const QStringList &paths,
                               CheckDepth depth = CheckDepth::KeyPictures);
QStringList playCheckArguments(const QString &path, CheckDepth depth = CheckDepth::KeyPictures);

// Why a file does not play, from its check's messages (inputs #0 and #1)
// and how the check ended: the decoder's own words when a stream that has
// packets decodes no frame, or the check failed; none when it plays. A
// damaged frame here and there, as a copy of a damaged source has, still
// plays.
std::optional<QString> playProblem(const QString &messages, const ProcessResult &result);

// Whether file `index` of a check of several played: every stream that had
// packets decoded a frame. The decoder's words of a file that did not are
// not its own alone; it is checked again by itself.
bool playedInGroup(const QString &messages, int index);

// Decodes finished outputs at both ends before they are called complete:
// what the encoder wrote must also play. The outputs that wait while a
// check runs are checked together by the next, in one decoder process,
// which costs what one check costs by hand (one FFmpeg start and the
// decode of the first picture and of the end's key pictures). An output
// that shows a stream which decodes nothing is checked again by itself,
// every picture of its end decoded, before it is said not to play (a stream
// whose key pictures are not marked). Cheap next to an encode; a check that
// cannot run or takes too long says nothing.
class PlayCheck : public QObject
{
    Q_OBJECT

public:
    using Ticket = quint64;
    // The longest a check of one file may take; one of several takes as
    // much more for each.
    static constexpr int kTimeLimitMs = 60000;
    // The most files one decoder process checks.
    static constexpr int kMostFiles = 8;

    explicit PlayCheck(QString encoderPath, QObject *parent = nullptr);
    // Ends a check still running; no `checked` comes.
    ~PlayCheck() override;

    // Checks `path`; `checked` follows with the ticket returned, never
    // before this returns.
    Ticket check(const QString &path);
    // Forgets a check; no `checked` comes for it.
    void cancel(Ticket ticket);
    // While held, the checks wait until as many as one process checks are
    // waiting: a machine busy with encodes gains more from one decoder start
    // for several files than from an early answer.
    void setHeld(bool held);
    // Checks waiting or running.
    int pending() const { return int(m_waiting.size() + m_running.size()); }

Q_SIGNALS:
    // Why the file does not play; none when it plays or could not be checked.
    void checked(quint64 ticket, const std::optional<QString> &problem);

private:
    struct Request
    {
        Ticket ticket = 0;
        QString path;
        bool alone = false; // checked again by itself, its end whole
    };

    void scheduleNext();
    void startNext();
    void onEnded(const ProcessResult &result);
    void keep(const QString &line);

    QString m_encoderPath;
    Process m_decoder;
    QTimer m_limit;
    LineAssembler m_lines;
    QStringList m_kept; // the lines the judgement reads
    int m_errors = 0;
    bool m_timedOut = false;
    bool m_scheduled = false;
    bool m_held = false;
    Ticket m_lastTicket = 0;
    QList<Request> m_waiting;
    QList<Request> m_running;
};

} // namespace vantrel
