#pragma once

#include "core/convert/batch/ProgressTicker.h"
#include "core/convert/batch/RunPreparation.h"
#include "core/convert/checks/EncoderReport.h"
#include "core/convert/plans/RowPasses.h"
#include "core/records/ConversionJob.h"
#include "core/settings/Settings.h"
#include "core/tools/Process.h"

#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>

namespace vantrel {

class ToolControl;

// What every encoder run of a batch shares.
struct EncoderSetup
{
    QString encoderPath;
    QString statisticsPath;
    QString threads; // the thread setting as stored
    ExistingFilePolicy existingFile = ExistingFilePolicy::AddNew;
    QSet<QString> installedEncoders;
    // A pass whose encoder tells no new time for this long is stopped: its
    // source never ends or hangs (a slow first picture of a large film takes
    // seconds, not minutes).
    int stallLimitMs = 5 * 60 * 1000;
};

// One row's encoder: runs the passes of the row's work, made ready for the
// installed encoder and the source (RunPreparation), one after another as
// its RowPasses decide them (one conversion, or a measuring pass, a first
// and a second pass, ...), follows their progress by the status lines the
// encoder writes (one percent for all of them, never going back) and stops
// it. A stopped encoder finishes the file it is writing; it is killed if it
// has not ended after a grace time. Each pass's statistics go
// beside the run's statistics file and are removed with the run. The run
// outlives nothing of its own: it may be deleted as soon as `finished` has
// come.
class EncoderRun : public QObject
{
    Q_OBJECT

public:
    // After "q" a stopped encoder gets this long to finish its file.
    static constexpr int kStopGraceMs = 8000;

    // The encoder is registered with `tools` while it runs, and stopped through it.
    EncoderRun(EncoderSetup setup, ToolControl &tools, QObject *parent = nullptr);
    ~EncoderRun() override;

    // Runs the work of `job` (with the temporary output path it writes),
    // made ready as `preparation`; progress is measured against
    // `durationSeconds`, for a whole file against the source's length once
    // the encoder has read it. An encoder that cannot start ends the run at
    // once (`finished`).
    void start(const ConversionJob &job, const RunPreparation &preparation, int durationSeconds,
               bool wholeFile);

    // Tells the encoder to finish its file and stop; `finished` follows when
    // it has (the progress is no longer followed meanwhile).
    void stop();

    bool isRunning() const { return m_encoder.isRunning(); }
    // The encoder's last messages, as it wrote them.
    QString messages() const { return m_messages; }
    // Its last lines as a reader can use them: the status line it rewrote
    // in place counts once per rewrite, and only the end tells why it stopped.
    QString lastLines() const;
    // What the encoder's messages told of its last pass, every line of them read.
    EncoderReport report() const { return m_reader.report(); }
    // Why the run ended before its output was made: it stopped the encoder
    // (its output ran far past the source's length, see runawayReason), or
    // the row's passes cannot make it (a size too small); empty otherwise.
    QString stopReason() const { return m_stopReason; }
    // The row's work is more than one conversion: a stopped run's output is
    // nothing to keep.
    bool severalPasses() const { return m_passes && m_passes->severalPasses(); }
    // What the run did for its source and what its passes did, for the
    // row's tip ("The picture was deinterlaced ...", "fitted: 720p, ...").
    QStringList notes() const;

Q_SIGNALS:
    void elapsedTextChanged(const QString &text);
    void filePercentChanged(int percent); // within 0..100, when it changes
    void finished(const vantrel::ProcessResult &result);

private:
    void followSourceLength();
    // Stops at once an encode whose output has reached `encodedSeconds` far
    // past the source's length: it cannot be sound, and an encoder filling a
    // gap of hours heeds no "q" until it is through.
    void stopARunaway(double encodedSeconds);
    // Runs the step the row's passes decided on.
    void follow(const PassStep &step);
    void startPass(const EncoderPass &pass);
    void onPassEnded(const ProcessResult &result);
    // The pass's percent as the row's, which never goes back.
    void showPassPercent(int percent);
    void end(const ProcessResult &result);
    // The pass told `seconds`: a new time puts the stall off.
    void madeProgress(double seconds);
    void stopAStall();

    EncoderSetup m_setup;
    ToolControl &m_tools;
    RunPreparation m_preparation;
    Process m_encoder;
    ConversionJob m_job;
    std::unique_ptr<RowPasses> m_passes;
    EncoderPass m_pass; // the one running
    bool m_firstPass = true;
    bool m_stoppedAbove = false; // the pass's output passed its stopAbove
    double m_passBase = 0;       // the row's percent when the pass began
    double m_passSpan = 100;     // the share of the row's percent it covers
    int m_shownPercent = -1;     // none shown yet
    ProcessResult m_result;      // how the encoder ended
    bool m_stopping = false;
    ProgressTicker m_ticker;
    QString m_messages;
    EncoderReportReader m_reader;
    bool m_wholeFile = false;
    bool m_lengthKnown = false;
    int m_durationSeconds = 0; // of the clip, or as the list knows the whole file
    QString m_stopReason;
    QTimer m_stall;            // runs out when the pass tells no new time
    double m_lastSeconds = -1; // the latest time the pass told
};

} // namespace vantrel
