#pragma once

#include "core/common/PlatformServices.h"
#include "core/convert/ConversionJob.h"
#include "core/convert/ConversionProgress.h"
#include "core/convert/ConversionRunState.h"
#include "core/convert/SourceItem.h"
#include "core/tools/ToolControl.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

namespace vantrel {

class OptionSheet;
class Process;
class SourceList;

// What a batch needs from its surroundings.
struct BatchEnvironment
{
    Prompt *prompt = nullptr;
    PowerOff *powerOff = nullptr;
    Desktop *desktop = nullptr;
    ToolControl *tools = nullptr;
    QString encoderPath;   // the encoder executable
    QString mediaInfoPath; // reads output durations; empty skips that check
    QString statisticsPath;
    QString settingsPath;
    QString dataFolder; // default output folder; relative folders are taken from here
    // Values that replace the settings file's for this batch (the CLI's flags).
    std::optional<QString> outputFolder;
    std::optional<int> existingFilePolicy;
    std::optional<QString> threads;
};

// Converts every row of the source list, top to bottom, one encoder run at a
// time, on the event loop: each step is started by the end of the one before
// (a tool finishing, a probe completing), nothing waits.
//
// Each row reads the selected profile and the option sheet when it starts, so
// edits made during a batch apply to the rows after them. A row ends "OK",
// "Fail" or "Cancel"; a missing source file stops the batch.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    using SelectedEntry = std::function<std::optional<int>()>;
    enum class Outcome
    {
        Completed,
        Cancelled,
        Stopped,
        PoweringOff
    };
    Q_ENUM(Outcome)

    BatchRun(SourceList &list, OptionSheet &sheet, SelectedEntry selectedEntry,
             BatchEnvironment environment, QObject *parent = nullptr);
    ~BatchRun() override;

    // The Convert command. Returns false when refused: an empty list, or a
    // batch that is already running.
    bool start();
    // The Cancel button.
    void cancel();

    bool isRunning() const { return m_running; }
    // True while an encoder process of this batch is alive, also one that is
    // finishing its file after a cancel.
    bool encoderAlive() const;
    const ConversionRunState &state() const { return m_state; }

    // The reason a row failed, with the encoder's last messages.
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
    void finished(vantrel::BatchRun::Outcome outcome);
    // The last encoder of the batch has exited.
    void encoderGone();

private:
    void queryEncoder();
    void nextRow();
    void stopWaitingForProbe();
    void prepareAndStart();
    void failRow(const QString &reason);
    void startEncoder(const QStringList &arguments);
    void onEncoderFinished();
    void checkOutput();
    void judgeOutput(qint64 outputSize);
    void finishRow(const std::optional<QString> &problem);
    void advance();
    void cancelRow();
    void stopEarly();
    void complete();
    void endBatch(Outcome outcome);
    void setFilePercent(int percent);
    void setTotalPercent(int percent);
    void forgetEncoder(Process *encoder);

    ToolControl &tools() { return m_env.tools ? *m_env.tools : m_ownTools; }

    SourceList &m_list;
    OptionSheet &m_sheet;
    SelectedEntry m_selectedEntry;
    BatchEnvironment m_env;

    ConversionRunState m_state;
    ProgressTicker m_ticker;
    bool m_running = false;
    int m_row = 0;
    int m_rowCount = 0;
    QString m_outputFolder;
    int m_policy = 0;
    QString m_threads;
    QSet<QString> m_encoders; // what the installed encoder offers

    ConversionJob m_job;
    bool m_audioOnly = false;
    double m_sourceSeconds = 0;
    struct FileStamp
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
    } m_outputBefore; // the output file as it was before the encoder ran
    QPointer<Process> m_encoder;
    QList<QPointer<Process>> m_checks; // output and source durations being read
    QString m_encoderTail;             // the encoder's last messages
    QPointer<QObject> m_probeWait;     // holds the connections while a probe is awaited
    QHash<int, QString> m_outputs;
    QList<QPointer<Process>> m_finishing; // cancelled encoders finishing their file
    ToolControl m_ownTools;               // when the surroundings have none
};

} // namespace vantrel
