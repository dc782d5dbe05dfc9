#include "cli/ConvertCommand.h"

#include "cli/BatchOptions.h"
#include "cli/CliCommands.h"
#include "cli/SheetArguments.h"
#include "core/app/BatchKeepsAwake.h"
#include "core/common/TimeText.h"
#include "core/convert/batch/BatchRun.h"
#include "core/profiles/OptionSheet.h"
#include "core/settings/AppPaths.h"
#include "core/sources/SourceFileRules.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/ToolLocator.h"
#include "platform/DBusSleepGuard.h"
#include "platform/InterruptWatcher.h"
#include "platform/LogindPowerOff.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>
#include <variant>

namespace vantrel::cli {

namespace {

const char kUsage[] = "--profile N [--apply M]... [--set \"ITEM=VALUE\"]... [--output-dir DIR] "
                      "[--existing new|overwrite] [--threads TEXT] [--jobs N] [--no-inhibit] "
                      "[--start TIME] [--end TIME] [--] FILE...";

int countRows(const SourceList &list, RowStatus status)
{
    int count = 0;
    for (int row = 0; row < list.count(); ++row)
        count += list.item(row).status == status ? 1 : 0;
    return count;
}

// "3 converted, 1 failed", and the cancelled rows when there are some.
QString summary(const SourceList &list)
{
    QString text = tr("%1 converted, %2 failed")
                       .arg(countRows(list, RowStatus::Ok))
                       .arg(countRows(list, RowStatus::Fail));
    if (const int cancelled = countRows(list, RowStatus::Cancel))
        text += tr(", %1 cancelled").arg(cancelled);
    return text;
}

// Progress on stderr: a bar redrawn in place on a terminal, plain lines when
// stderr is a file or a pipe. Each running row is told by its name with its
// own percent; the bar follows the row running longest.
class ProgressReport : public QObject
{
public:
    ProgressReport(BatchRun &batch, const SourceList &list, QTextStream &err)
        : m_list(list), m_err(err), m_terminal(::isatty(STDERR_FILENO) == 1)
    {
        connect(&batch, &BatchRun::rowStarted, this, [this](int row, const QString &caption) {
            if (!m_terminal)
                say(tr("row %1/%2: %3").arg(row + 1).arg(rows()).arg(escapedField(caption)));
            draw();
        });
        connect(&batch, &BatchRun::rowFinished, this, [this](int row, RowStatus status) {
            say(tr("row %1/%2: %3").arg(row + 1).arg(rows()).arg(rowStatusText(status)));
        });
        connect(&batch, &BatchRun::rowProgressChanged, this, [this](quint64 id, int percent) {
            const int before = m_percents.value(id, 0);
            m_percents.insert(id, percent);
            if (m_terminal || percent / 10 == before / 10 || percent <= 0 || percent >= 100)
                return;
            QString line = rowName(id) + QStringLiteral(": %1%").arg(percent);
            if (!m_left.isEmpty())
                line += QStringLiteral("  %1 %2").arg(tr("left"), m_left);
            say(QStringLiteral("  ") + line);
        });
        connect(&batch, &BatchRun::followedRowChanged, this, [this](quint64 id, const QString &) {
            m_followed = id;
            draw();
        });
        connect(&batch, &BatchRun::filePercentChanged, this, [this](int percent) {
            m_file = percent;
            draw();
        });
        connect(&batch, &BatchRun::totalPercentChanged, this, [this](int percent) {
            m_total = percent;
            draw();
        });
        connect(&batch, &BatchRun::elapsedTextChanged, this, [this](const QString &text) {
            m_elapsed = text;
            draw();
        });
        connect(&batch, &BatchRun::timeLeftChanged, this, [this](const QString &text) {
            m_left = text;
            draw();
        });
    }

    // Takes the bar off a terminal for good: the records follow.
    void close()
    {
        if (m_terminal && !m_closed)
            m_err << "\r\x1b[K";
        m_err.flush();
        m_closed = true;
    }

    // A line of its own, over the bar on a terminal.
    void say(const QString &text)
    {
        if (m_terminal)
            m_err << "\r\x1b[K";
        m_err << text << '\n';
        m_err.flush();
        draw();
    }

private:
    int rows() const { return m_list.count(); }

    // "row 2/3 b.avi", by where the row stands now.
    QString rowName(quint64 id) const
    {
        const std::optional<int> row = m_list.rowOf(id);
        if (!row)
            return tr("a removed row");
        return tr("row %1/%2 %3")
            .arg(*row + 1)
            .arg(rows())
            .arg(escapedField(QFileInfo(m_list.item(*row).fileName).fileName()));
    }

    void draw()
    {
        if (!m_terminal || m_closed)
            return;
        constexpr int width = 24;
        const int filled = width * qBound(0, m_file, 100) / 100;
        m_err << "\r\x1b[K[" << QString(filled, u'#') << QString(width - filled, u'-') << "] "
              << qSetFieldWidth(3) << m_file << qSetFieldWidth(0) << "%  total "
              << qSetFieldWidth(3) << m_total << qSetFieldWidth(0) << "%  " << m_elapsed;
        if (m_followed != 0)
            m_err << "  " << rowName(m_followed);
        if (!m_left.isEmpty())
            m_err << "  " << tr("left") << ' ' << m_left;
        m_err.flush();
    }

    const SourceList &m_list;
    QTextStream &m_err;
    bool m_terminal;
    bool m_closed = false;
    quint64 m_followed = 0; // the row the bar shows
    QHash<quint64, int> m_percents;
    int m_file = 0;
    int m_total = 0;
    QString m_elapsed = QStringLiteral("0:00:00");
    QString m_left;
};

// What the command line asks to convert, and how.
struct ConvertRequest
{
    QStringList files;
    Settings settings;
    int entry = 0;
    bool keepAwake = true; // the computer kept from sleeping while it runs
    // The clip of every file, in seconds; none: from its start, to its end.
    std::optional<int> clipStart;
    std::optional<int> clipEnd;
    bool clipped() const { return clipStart || clipEnd; }
};

// A clip time given as an option: "0:01:30" or seconds ("90").
std::optional<int> clipSeconds(const QString &text)
{
    bool ok = false;
    const int seconds = text.toInt(&ok);
    if (ok)
        return seconds >= 0 ? std::optional<int>(seconds) : std::nullopt;
    return secondsOfTimeText(text);
}

// Reads the arguments and the settings file into a request, with the sheet
// set as the options say; the exit code when the command ends here.
std::variant<int, ConvertRequest> readRequest(const QStringList &args, OptionSheet &sheet,
                                              QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    const BatchOptions options(parser);
    const QCommandLineOption start(QStringLiteral("start"),
                                   tr("Clip start of every file (default: its start)."),
                                   QStringLiteral("TIME"));
    const QCommandLineOption end(QStringLiteral("end"),
                                 tr("Clip end of every file (default: its end; a shorter file "
                                    "ends at its own)."),
                                 QStringLiteral("TIME"));
    parser.addOptions({start, end});
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("Source files."),
                                 QStringLiteral("FILE..."));
    if (const std::optional<int> done = parseArguments(
            parser, QStringLiteral("convert"), QString::fromLatin1(kUsage),
            tr("Converts the files with output profile N and prints "
               "status<TAB>source<TAB>output per file.\nExit code 0 when every file is "
               "OK, 1 when one failed, 130 when cancelled (Ctrl+C)."),
            args, out, err))
        return *done;
    ConvertRequest request;
    request.files = parser.positionalArguments();
    request.keepAwake = options.keepAwake(parser);
    if (request.files.isEmpty())
        return usageError(err, tr("no files to convert"));
    for (const QString &file : std::as_const(request.files)) {
        if (const std::optional<QString> refusal = unusableSourceReason(file))
            return usageError(err, *refusal);
    }
    for (const auto &[option, seconds] :
         {std::pair{&start, &request.clipStart}, std::pair{&end, &request.clipEnd}}) {
        if (!parser.isSet(*option))
            continue;
        *seconds = clipSeconds(parser.value(*option));
        if (!*seconds)
            return usageError(err, tr("--%1 takes a time like 0:01:30 or seconds, not \"%2\"")
                                       .arg(option->names().first(), parser.value(*option)));
    }
    if (request.clipEnd && request.clipStart.value_or(0) >= *request.clipEnd)
        return usageError(
            err, tr("The clip's end %1 is not after its start %2.")
                     .arg(timeText(*request.clipEnd), timeText(request.clipStart.value_or(0))));
    const Expected<Settings> settings = options.settings(parser, err);
    if (!settings)
        return usageError(err, settings.error());
    request.settings = *settings;
    const Expected<int> profile = options.applySheet(parser, sheet);
    if (!profile)
        return usageError(err, profile.error());
    request.entry = *profile;
    if (const std::optional<QString> missing = missingBatchTool())
        return usageError(err, *missing);
    return request;
}

// One batch from its start to the moment the command may leave: the end is
// told (and a power-off answered), and no encoder is left. Ctrl+C cancels
// like the Cancel button; the system ending the command abandons the
// running rows; asked again, it leaves at once.
class ConvertSession : public QObject
{
public:
    ConvertSession(const ConvertRequest &request, OptionSheet &sheet, QTextStream &err)
        : m_list(&m_probe),
          m_batch(
              m_list, sheet, [entry = request.entry] { return std::optional<int>(entry); },
              cliBatchEnvironment()),
          m_report(m_batch, m_list, err), m_awake(request.keepAwake ? &m_sleepGuard : nullptr)
    {
        m_awake.follow(m_batch);
        connect(&m_awake, &BatchKeepsAwake::noteChanged, this, [&err](const QString &note) {
            if (!note.isEmpty())
                printError(err, note);
        });
        connect(&m_batch, &BatchRun::finished, this, &ConvertSession::onFinished);
        connect(&m_batch, &BatchRun::encoderGone, this, &ConvertSession::quitWhenDone);
        connect(&m_interrupts, &InterruptWatcher::interrupted, this,
                &ConvertSession::onInterrupted);
        if (request.clipped()) {
            // A clip is set on each row once its length is known; the batch
            // starts when every row has it.
            connect(&m_list, &SourceList::rowProbed, this,
                    [this, request](int row) { setClip(row, request); });
            connect(&m_list, &SourceList::allProbed, this,
                    [this, settings = request.settings] { m_batch.start(settings); });
        }
        for (const QString &file : request.files)
            m_list.addSourceFile(QFileInfo(file).absoluteFilePath());
        if (!request.clipped())
            m_batch.start(request.settings);
    }

    // Runs the event loop until the session is over; the command's exit code.
    int exec()
    {
        QCoreApplication::exec();
        m_report.close();
        if (m_ending == BatchEnding::Cancelled)
            return m_endedBy ? InterruptWatcher::exitCode(*m_endedBy) : kExitCancelled;
        return countRows(m_list, RowStatus::Ok) == m_list.count() ? kExitOk : kExitFailed;
    }

    const SourceList &list() const { return m_list; }
    const BatchRun &batch() const { return m_batch; }

private:
    // The clip asked of every file, its end held to the file's own; a start
    // past the file's end is left for the row to fail on.
    void setClip(int row, const ConvertRequest &request)
    {
        const SourceItem &item = m_list.item(row);
        const int length = secondsOfTimeText(item.videoTime).value_or(0);
        if (!item.problem.isEmpty() || (length <= 0 && !request.clipEnd))
            return;
        const int start = request.clipStart.value_or(0);
        int end =
            length > 0 ? std::min(request.clipEnd.value_or(length), length) : *request.clipEnd;
        end = std::max(end, start);
        m_list.setClip(row, timeText(start), timeText(end));
    }

    void onFinished(const BatchOutcome &outcome)
    {
        m_ending = outcome.ending;
        // After a complete batch the computer powers off when the settings
        // ask for it (read now, as a change saved meanwhile counts) and the
        // session manager agrees; a terminal has no folder window to open.
        if (outcome.ending != BatchEnding::Completed ||
            !cliSettingsFile().read().powerOffAfterBatch) {
            tellEnd(outcome);
            return;
        }
        m_powerOff.powerOff([this, outcome](bool accepted) {
            if (!accepted) {
                tellEnd(outcome);
                return;
            }
            m_endTold = true;
            quitWhenDone();
        });
    }

    void tellEnd(const BatchOutcome &outcome)
    {
        // "Conversion completed!" only when something was converted.
        if (outcome.ending != BatchEnding::Completed || countRows(m_list, RowStatus::Ok) > 0)
            m_report.say(batchEndMessage(outcome));
        m_report.say(summary(m_list));
        m_endTold = true;
        quitWhenDone();
    }

    void onInterrupted(int count, InterruptWatcher::Reason reason)
    {
        if (!m_endedBy)
            m_endedBy = reason;
        if (count == 1 && m_batch.isRunning()) {
            // Ctrl+C is the Cancel button: the running rows' files are
            // finished. The system ending the command (or its terminal
            // going) asked for no file: the running rows' go.
            if (reason == InterruptWatcher::Reason::UserInterrupt)
                m_batch.cancel();
            else
                m_batch.abandon();
            return;
        }
        // Asked again: stop at once; leaving kills what still runs.
        if (!m_ending)
            m_ending = BatchEnding::Cancelled;
        QCoreApplication::exit(0);
    }

    void quitWhenDone()
    {
        if (m_ending && m_endTold && !m_batch.encoderAlive())
            QCoreApplication::exit(0);
    }

    MediaProbe m_probe;
    SourceList m_list;
    BatchRun m_batch;
    ProgressReport m_report;
    DBusSleepGuard m_sleepGuard;
    BatchKeepsAwake m_awake;
    InterruptWatcher m_interrupts;
    LogindPowerOff m_powerOff;
    std::optional<BatchEnding> m_ending;
    std::optional<InterruptWatcher::Reason> m_endedBy;
    bool m_endTold = false; // the end is reported (and a power-off answered)
};

// One record per row, "status<TAB>source<TAB>output", a failed row's reason
// indented under it.
void printRecords(const SourceList &list, const BatchRun &batch, QTextStream &out)
{
    for (int row = 0; row < list.count(); ++row) {
        const SourceItem &item = list.item(row);
        printRecord(out, rowStatusText(item.status), item.fileName, batch.rowOutput(row),
                    batch.rowMessages(row));
    }
    out.flush();
}

} // namespace

int runConvert(const QStringList &args, QTextStream &out, QTextStream &err)
{
    OptionSheet sheet;
    sheet.build();
    const std::variant<int, ConvertRequest> request = readRequest(args, sheet, out, err);
    if (const int *done = std::get_if<int>(&request))
        return *done;
    ConvertSession session(std::get<ConvertRequest>(request), sheet, err);
    const int exitCode = session.exec();
    printRecords(session.list(), session.batch(), out);
    return exitCode;
}

} // namespace vantrel::cli
