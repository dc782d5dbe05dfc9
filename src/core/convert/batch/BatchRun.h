#pragma once

#include "core/convert/batch/BatchNames.h"
#include "core/convert/batch/BatchOutcome.h"
#include "core/convert/batch/EncoderQuery.h"
#include "core/convert/batch/EncoderRun.h"
#include "core/convert/batch/SourceReadings.h"
#include "core/convert/batch/TimeLeft.h"
#include "core/convert/checks/OutputJudgement.h"
#include "core/convert/checks/PlayCheck.h"
#include "core/records/ConversionJob.h"
#include "core/records/SourceItem.h"
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

class NameClaim;
class OptionSheet;
class RowOutput;
struct OutputName;
class SourceList;

// Where a batch finds its tools and files.
struct BatchEnvironment
{
    // The registry of running tools the preview uses too; the batch
    // registers its encoder there. Without one the batch keeps its own.
    ToolControl *tools = nullptr;
    QString encoderPath;    // the encoder executable
    QString probePath;      // what reads the sources' facts; empty: the one the program finds
    QString statisticsPath; // this program's own; removed when the batch object goes
    // Where the installed encoder's list of encoders is remembered; none:
    // it is asked once per batch object.
    QString encoderListCache;
    QString dataFolder; // relative output folders are taken from here
    // A source file that is gone ends the batch ("Invalid input file name."),
    // as the window has it; otherwise it fails its own row and the batch
    // goes on, as a terminal command given many files wants.
    bool missingSourceEndsBatch = true;
    // How long an encoder may tell no progress before it is stopped; 0: the
    // encoder run's own bound.
    int encoderStallLimitMs = 0;
};

// Converts the rows of the source list, top to bottom, as many at once as the
// settings allow (each encoder with its own statistics file), on the event loop:
// each step is started by the end of the one before (an encoder or a check
// finishing, a probe completing), nothing waits.
//
// A row goes through named stages: its source read (today's entries: its
// facts, kept with the row and read ahead of its turn), its passes encoded
// (EncoderRun), its output checked (PlayCheck: it must play), then its
// verdict. Only reading and encoding take one of the rows that may convert
// at once: the next row's encode starts while the last one's check runs
// ("Checking"), and the batch ends when every check has.
//
// The batch follows its rows by their ids, not their places: it converts the
// rows the list held when it started, in that order; a row removed before its
// turn is skipped, and a row's status, output and messages land on that row
// wherever it has moved (a row removed while it converts finishes unseen).
// Each row's encoder is an EncoderRun, its output file a RowOutput, judged by
// the encoder's own report when it ends. A row reads the selected profile and
// the option sheet when it starts, so edits made during a batch apply to the
// rows after them. A row ends "OK", "Fail" or "Cancel"; a missing source file
// stops the batch. What the user is told at the end, and whether the
// computer powers off, is for whoever follows `finished`.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    using SelectedEntry = std::function<std::optional<int>()>;
    using RowId = quint64;

    BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
             BatchEnvironment environment, QObject *parent = nullptr);
    // Stops what still runs; no unfinished file is left behind.
    ~BatchRun() override;

    // Whether Convert would start now: a list with rows and no batch running.
    bool canStart() const;
    // The Convert command, with the settings as they are at this moment.
    // Returns false when refused (see canStart).
    bool start(const Settings &settings);
    // The Cancel button: the rows whose encoders run end "Cancel" (each
    // encoder finishes its file, which takes its final name), and no
    // further row starts.
    void cancel();
    // Ends the batch as cancel does, but the running rows' outputs are
    // removed instead of finished: nobody asked for them (the program is
    // being ended by the system, or its terminal went).
    void abandon();

    bool isRunning() const { return m_running; }
    // The installed encoder's encoders, once known; empty before.
    QSet<QString> installedEncoders() const { return m_setup.installedEncoders; }
    // True while an encoder process of this batch is alive, also one that is
    // finishing its file after a cancel.
    bool encoderAlive() const;

    // Why a row failed, with the encoder's last messages, or the note of a
    // row that converted all its damaged source held.
    QString rowMessages(int row) const;
    // The output path a row was given; empty when it failed before that.
    QString rowOutput(int row) const;
    // The job a row was converted with; none before it started.
    std::optional<ConversionJob> rowJob(int row) const;

Q_SIGNALS:
    void panelVisibleChanged(bool visible);
    void busyChanged(bool busy);
    // "Progress...." + source + " To " + output; `row` is where the row
    // stands in the list at that moment.
    void rowStarted(int row, const QString &caption);
    void rowFinished(int row, vantrel::RowStatus status);
    // A running row's own progress: the percent of its file, which never
    // goes back, as the encoder's status tells it.
    void rowProgressChanged(quint64 id, int percent);
    // The row the progress panel follows (the one running longest) is now
    // `id`, with its caption; the file bar and the elapsed time are its.
    void followedRowChanged(quint64 id, const QString &caption);
    // The file bar: the percent of the row running longest.
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
    // The installed encoder's list of encoders is known (empty: it could not say).
    void encodersKnown(const QSet<QString> &encoders);

private:
    // A row in hand: its source being read, its encoder running (or
    // finishing its file after a cancel), or its output being checked.
    struct Conversion
    {
        enum class Stage
        {
            Reading,
            Encoding,
            Checking
        };
        RowId id = 0;
        Stage stage = Stage::Encoding;
        ConversionJob job; // its final output path
        EncoderCommand command;
        std::optional<ReadingNeeds> needs; // what its rules must know of its source
        bool readAgain = false; // read once more after a reading ahead that asked for less
        int slot = 0;           // which of the batch's statistics files its encoder writes
        QPointer<EncoderRun> run;
        PlayCheck::Ticket check = 0; // Checking
        QStringList notes;           // Checking: what the run did, for the tip
        QString lastLines;           // Checking: the encoder's last lines
        OutputRequest request;
        std::shared_ptr<RowOutput> output;
        std::shared_ptr<NameClaim> claim; // of the output's name, against other batches
        QString nameNote;                 // why the output did not get its first name
        QString caption;                  // "Progress...." + source + " To " + output
        int percent = 0;                  // of its file
        QString elapsed;                  // its encoder's running time
        QElapsedTimer started;            // since its turn came
        QElapsedTimer encoding;           // since its encoder started
        bool keep = true;                 // stopped: the finished file takes its name
    };

    void startRows();
    // Starts the row `id` (which is in the list): false when it did not
    // start (it failed, stopped the batch, or waits for the encoder list).
    bool prepareAndStart(RowId id);
    // The steps of a row's start, in order: the row as it converts, its job
    // (or why there is none), its output named and claimed with what it
    // asks of it, the command that writes it, and the encoder run.
    SourceItem itemToConvert(RowId id) const;
    Expected<ConversionJob> jobFor(const SourceItem &item) const;
    // The job of `item` with `entry`, the sheet's options, the preferred
    // languages and the row's own tracks.
    Expected<ConversionJob> rowJob(const SourceItem &item, int entry) const;
    Conversion conversionFor(RowId id, const SourceItem &item, ConversionJob job);
    Expected<EncoderCommand> commandFor(const Conversion &conversion) const;
    void launch(Conversion conversion);
    // Starts the encoder of the row `conversion`, whose source's facts are
    // `facts` (none: not read, or unreadable).
    void startEncoder(Conversion &conversion, const std::optional<SourceFacts> &facts);
    void onRead(RowId id, const std::optional<SourceFacts> &facts);
    // Reads the source of the next row ahead of its turn, for today's entries.
    void readAhead();
    void startCheck(Conversion conversion, const QString &note);
    // The checks wait while encoders take every core (PlayCheck::setHeld).
    void holdChecksWhileBusy();
    void onChecked(PlayCheck::Ticket ticket, const std::optional<QString> &problem);
    // Names the checked output and ends its row.
    void commitChecked(Conversion conversion, const QString &note);
    // Why no row can be written into the output folder; none when it can.
    std::optional<QString> outputFolderProblem() const;
    void failRow(RowId id, const QString &reason);
    // A row whose encoder failed while its file was still being probed
    // waits for the probe: a file the player cannot read fails with the
    // list's reason, not the encoder's.
    void failRowWhenProbed(RowId id, const QString &reason);
    void endFailuresProbed();
    void endRow(RowId id, RowStatus status, const QString &detail);
    void onEncoderFinished(EncoderRun *run, const ProcessResult &result);
    void onStopped(EncoderRun *run, const ProcessResult &result);
    void stopBatch(bool keepOutput);
    void maybeEnd();
    void complete();
    void endBatch(const BatchOutcome &outcome);
    void showFileProgress();
    void setTotalPercent(int percent);
    // The estimate, from the rows' lengths and the running rows' percents.
    void updateTimeLeft();
    double rowMediaSeconds(RowId id) const;
    // Refused in words rather than handed to the system (or echoed whole).
    bool outputFolderTooLong() const;
    // The statistics file of an encoder slot: the program's own for the
    // first, numbered beside it for the others.
    QString statisticsPath(int slot) const;
    int freeSlot() const;
    ToolControl &tools() { return m_env.tools ? *m_env.tools : m_ownTools; }

    SourceList &m_list;
    OptionSheet &m_sheet;
    SelectedEntry m_selectedEntry;
    BatchEnvironment m_env;
    ToolControl m_ownTools;

    bool m_running = false;
    std::optional<BatchOutcome> m_ending; // the batch winds down to this end
    bool m_awaitingEncoderList = false;   // a row waits for it
    bool m_encoderListKnown = false;
    int m_maxRunning = 1;                      // rows converting at once
    QString m_languages;                       // the preferred languages, "eng,deu"
    int m_slotsUsed = 0;                       // statistics files this object's encoders wrote
    QList<RowId> m_rows;                       // the rows the batch began with, in order
    QList<RowId> m_queue;                      // those not started yet
    QList<Conversion> m_active;                // rows read or encoded, oldest first
    QList<Conversion> m_checking;              // rows whose outputs are checked
    QList<Conversion> m_stopping;              // cancelled rows' encoders finishing their files
    QHash<RowId, QString> m_failedWhileProbed; // failures waiting for their rows' probes
    RowId m_followed = 0;                      // the row the panel follows; 0: none
    QHash<RowId, ConversionJob> m_jobs;
    QHash<RowId, QString> m_outputs;
    int m_totalPercent = 0;
    QList<BatchProgress::Done> m_doneRows; // the rows encoded whole, for the time left
    QString m_outputFolder;
    EncoderSetup m_setup; // shared by the batch's encoder runs
    EncoderQuery m_encoderQuery;
    SourceReadings m_readings;
    PlayCheck m_checks;

    BatchNames m_names;
};

} // namespace vantrel
