#pragma once

#include "core/tools/Process.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace vantrel {

// How much shorter than asked an output may be and still count as complete.
constexpr double kOutputLengthTolerance = 1.5;

// The media-info tool's arguments that print a file's duration in seconds.
QStringList durationQueryArguments(const QString &path);

// The duration the media-info tool printed; none for "N/A" or nothing.
std::optional<double> parseDurationOutput(const QString &output);

// The length to judge an output by: the longer of what the media-info tool
// reads from the file and what the encoder says it encoded. The tool only
// estimates the length of some formats and has none for others.
std::optional<double> judgedLength(std::optional<double> probed, std::optional<double> encoded);

// Whether the encoder said that it wrote no sound and no picture (it still
// exits with 0 and leaves a file of bare headers).
bool encoderWroteNothing(const QString &encoderOutput);

// Why a conversion that the encoder called a success did not deliver, or no
// value when it did: a missing or empty file, or a file shorter than
// `expectedSeconds`. An output whose length cannot be read (some containers
// have none) is judged by its size only.
std::optional<QString> outputProblem(qint64 fileSize, std::optional<double> measuredSeconds,
                                     double expectedSeconds);

// What one row's output is checked against.
struct OutputExpectation
{
    QString outputPath;
    QString sourcePath;
    bool audioOnly = false;   // the whole source's sound is converted
    double sourceSeconds = 0; // the source's length as the player read it
    int startSeconds = 0;     // the clip asked for
    int durationSeconds = 0;
};

// The check of one row's output file. Before the encoder runs it notes the
// file that stands under the output name; when the encoder failed it removes
// what the encoder wrote there (an untouched earlier file stays); when the
// encoder succeeded it measures the output with the media-info tool and
// judges whether it holds what was asked.
class OutputCheck : public QObject
{
    Q_OBJECT

public:
    // A duration query that takes longer than this tells nothing.
    static constexpr int kQueryTimeLimitMs = 15000;

    // An empty `mediaInfoPath` judges the output by its size and the
    // encoder's own report only.
    explicit OutputCheck(QString mediaInfoPath, QObject *parent = nullptr);
    ~OutputCheck() override;

    // Before the encoder runs: notes the file under the output name.
    void begin(const OutputExpectation &expectation);
    // The encoder failed: removes the output it left, unless that is the
    // untouched file that was there before.
    void discardPartialOutput() const;
    // The encoder succeeded: judges the output. `judged` follows, at once
    // when nothing needs measuring, else from the event loop.
    void judge(const QString &encoderMessages);
    // Stops measuring; no `judged` comes.
    void cancel();

Q_SIGNALS:
    // Why the output does not hold what was asked, or none when it does.
    void judged(const std::optional<QString> &problem);

private:
    void onQueryFinished();

    QString m_mediaInfoPath;
    OutputExpectation m_expectation;
    struct FileStamp
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
    } m_before;
    QString m_encoderMessages;
    qint64 m_outputSize = -1;
    int m_pendingQueries = 0; // duration queries still to end; 0 when none runs
    Process m_outputQuery;
    Process m_sourceQuery;
    QTimer m_timeLimit;
};

} // namespace vantrel
