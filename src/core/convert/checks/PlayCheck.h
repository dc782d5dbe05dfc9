#pragma once

#include "core/tools/LineAssembler.h"
#include "core/tools/Process.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace vantrel {

// The encoder arguments that decode a file's first second and its last
// second (from the key picture before it) into nothing, and report each
// stream's decoded frames and every decoder error.
QStringList playCheckArguments(const QString &path);

// Why a file does not play, from the check's messages and how it ended: the
// decoder's own words when a stream that has packets decodes no frame, or
// the check failed; none when it plays. A damaged frame here and there, as
// a copy of a damaged source has, still plays.
std::optional<QString> playProblem(const QString &messages, const ProcessResult &result);

// Decodes a finished output at both ends before it is called complete: what
// the encoder wrote must also play. Cheap next to the encode (two seconds
// of decoding); a check that cannot run or takes too long says nothing.
class PlayCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTimeLimitMs = 60000;

    explicit PlayCheck(QString encoderPath, QObject *parent = nullptr);
    // Ends a check still running; no `finished` comes.
    ~PlayCheck() override;

    // Checks `path`; `finished` follows.
    void start(const QString &path);
    // Gives the check up; no `finished` comes.
    void stop();
    bool isRunning() const { return m_decoder.isRunning(); }

    // Why the last file checked does not play; none when it plays or
    // could not be checked.
    const std::optional<QString> &problem() const { return m_problem; }

Q_SIGNALS:
    void finished();

private:
    void keep(const QString &line);

    QString m_encoderPath;
    Process m_decoder;
    QTimer m_limit;
    LineAssembler m_lines;
    QStringList m_kept; // the lines the judgement reads
    int m_errors = 0;
    std::optional<QString> m_problem;
    bool m_timedOut = false;
};

} // namespace vantrel
