#pragma once

#include "core/convert/ConversionJob.h"
#include "core/convert/EncoderRun.h"
#include "core/convert/OutputCheck.h"
#include "core/convert/SourceItem.h"
#include "core/settings/Settings.h"
#include "core/tools/ToolControl.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

class OptionSheet;
class RowOutput;
class SourceList;

// How a batch ended.
enum class BatchEnding
{
    Completed, // every row was tried
    Cancelled, // the user cancelled
    Stopped    // a row's source file was missing
};

struct BatchOutcome
{
    BatchEnding ending = BatchEnding::Completed;
    QString outputFolder;  // where the rows' outputs went
    QString missingSource; // Stopped: the source file that was not there
    int rows = 0;          // Completed: the rows of the batch
    int failedRows = 0;    // Completed: those that ended "Fail"
};

// What the user is told when a batch has ended: "Conversion completed!",
// "Conversion Canceled by the user!" or "Invalid input file name. " + the file.
QString batchEndMessage(const BatchOutcome &outcome);

// Where a batch finds its tools and files.
struct BatchEnvironment
{
    // The registry of running tools the preview uses too; the batch
    // registers its encoder there. Without one the batch keeps its own.
    ToolControl *tools = nullptr;
    QString encoderPath;    // the encoder executable
    QString statisticsPath; // this program's own; removed when the batch object goes
    QString dataFolder;     // relative output folders are taken from here
    // A source file that is gone ends the batch ("Invalid input file name."),
    // as the window has it; otherwise it fails its own row and the batch
    // goes on, as a terminal command given many files wants.
    bool missingSourceEndsBatch = true;
};

// Converts every row of the source list, top to bottom, one encoder at a
// time, on the event loop: each step is started by the end of the one before
// (an encoder or a check finishing, a probe completing), nothing waits.
//
// The batch sequences the rows; each row's encoder is an EncoderRun, its
// output file a RowOutput, judged by the encoder's own report when it ends.
// A row reads the selected profile and the option sheet when it starts, so
// edits made during a batch apply to the rows after them. A row ends "OK",
// "Fail" or "Cancel"; a missing source file stops the batch. What the user is
// told at the end, and whether the computer powers off, is for whoever
// follows `finished`.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    using SelectedEntry = std::function<std::optional<int>()>;

    BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
             BatchEnvironment environment, QObject *parent = nullptr);
    // Stops what still runs; no unfinished file is left behind.
    ~BatchRun() override;

    // Whether Convert would start now: a list with rows and no batch running.
    bool canStart() const;
    // The Convert command, with the settings as they are at this moment.
    // Returns false when refused (see canStart).
    bool start(const Settings &settings);
    // The Cancel button: the row whose encoder runs ends "Cancel" (the
    // encoder finishes its file, which takes its final name), and no
    // further row starts.
    void cancel();
    // Ends the batch as cancel does, but the running row's output is removed
    // instead of finished: nobody asked for it (the program is being ended
    // by the system, or its terminal went).
    void abandon();

    bool isRunning() const { return m_running; }
    // True while an encoder process of this batch is alive, also one that is
    // finishing its file after a cancel.
    bool encoderAlive() const;
    // The total progress as counted; the bar shows it within 0..100.
    int totalPercent() const { return m_totalPercent; }

    // Why a row failed, with the encoder's last messages, or the note of a
    // row that converted all its damaged source held.
    QString rowMessages(int row) const;
    // The output path a row was given; empty when it failed before that.
    QString rowOutput(int row) const { return m_outputs.value(row); }
    // The job of the row being converted or last converted.
    const ConversionJob &currentJob() const { return m_job; }

Q_SIGNALS:
    void panelVisibleChanged(bool visible);
    void busyChanged(bool busy);
    // "Progress...." + source + " To " + output
    void rowStarted(int row, const QString &caption);
    void rowFinished(int row, vantrel::RowStatus status);
    void filePercentChanged(int percent);
    void totalPercentChanged(int percent); // 0..100 as the bar shows it
    void elapsedTextChanged(const QString &text);
    // The batch's estimated time left, "0:01:23"; empty while unknown.
    void timeLeftChanged(const QString &text);
    // Sent while the progress panel still shows the batch's end; it is
    // hidden when the receivers return.
    void finished(const vantrel::BatchOutcome &outcome);
    // The last encoder of the batch has exited.
    void encoderGone();

private:
    // A row whose encoder runs.
    struct Conversion
    {
        int row = -1;
        OutputRequest request;
        std::shared_ptr<RowOutput> output;
        QString nameNote; // why the output did not get its first name
    };
    // A cancelled row's encoder that finishes its file.
    struct Stopping
    {
        QPointer<EncoderRun> run;
        std::shared_ptr<RowOutput> output;
        int row = -1;
        bool keep = true; // the finished file takes its name
    };

    void nextRow();
    void stopWaitingForProbe();
    void prepareAndStart();
    std::optional<QString> prepareJob(const SourceItem &row, int entry);
    void failRow(const QString &reason);
    void endRow(int row, RowStatus status, const QString &detail);
    void onEncoderFinished(const ProcessResult &result);
    void stopBatch(bool keepOutput);
    void onStopped(EncoderRun *run, const ProcessResult &result);
    void maybeEnd();
    void complete();
    void endBatch(const BatchOutcome &outcome);
    void setFilePercent(int percent);
    void setTotalPercent(int percent);
    // The estimate, from the rows' lengths and the current row's percent.
    void updateTimeLeft(int filePercent);
    double rowMediaSeconds(int row) const;
    // Refused in words rather than handed to the system (or echoed whole).
    bool outputFolderTooLong() const;
    ToolControl &tools() { return m_env.tools ? *m_env.tools : m_ownTools; }

    SourceList &m_list;
    OptionSheet &m_sheet;
    SelectedEntry m_selectedEntry;
    BatchEnvironment m_env;
    ToolControl m_ownTools;

    bool m_running = false;
    std::optional<BatchOutcome> m_ending; // the batch winds down to this end
    bool m_awaitingEncoderList = false;
    int m_row = 0; // the next row to start
    int m_rowCount = 0;
    int m_totalPercent = 0;
    QElapsedTimer m_clock;  // since the batch started
    double m_mediaDone = 0; // media seconds of the rows that have ended
    QString m_outputFolder;
    EncoderSetup m_setup; // shared by the batch's encoder runs
    EncoderQuery m_encoderQuery;

    ConversionJob m_job;
    QPointer<EncoderRun> m_run; // the row's encoder
    Conversion m_current;       // its row
    QList<Stopping> m_stopping;
    QSet<QString> m_reserved;      // final names that rows in progress will take
    QSet<QString> m_written;       // final names this batch wrote
    QString m_nameNote;            // the row being prepared: why its name moved on
    QPointer<QObject> m_probeWait; // holds the connections while a probe is awaited
    QHash<int, QString> m_outputs;
};

} // namespace vantrel

Q_DECLARE_METATYPE(vantrel::BatchOutcome)
