#include "cli/WatchCommand.h"

#include "cli/BatchOptions.h"
#include "cli/CliCommands.h"
#include "core/app/BatchKeepsAwake.h"
#include "core/profiles/OptionSheet.h"
#include "core/settings/AppPaths.h"
#include "core/watch/FolderConversion.h"
#include "platform/DBusSleepGuard.h"
#include "platform/InterruptWatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace vantrel::cli {

namespace {

const char kUsage[] = "--profile N [--apply M]... [--set \"ITEM=VALUE\"]... [--output-dir DIR] "
                      "[--output-inside] [--subfolders] [--settle SECONDS] [--jobs N] "
                      "[--no-inhibit] [--] FOLDER";

// Runs until the system or the user asks it to end: the first request
// abandons what converts (its outputs go; the files convert at the next
// start), the second leaves at once.
class WatchSession : public QObject
{
public:
    WatchSession(FolderConversion::Setup setup, bool keepAwake, QTextStream &out, QTextStream &err)
        : m_conversion(std::move(setup)), m_awake(keepAwake ? &m_sleepGuard : nullptr), m_out(out),
          m_err(err)
    {
        m_awake.follow(m_conversion.batch());
        connect(&m_awake, &BatchKeepsAwake::noteChanged, this, [this](const QString &note) {
            if (!note.isEmpty())
                printError(m_err, note);
        });
        connect(&m_conversion, &FolderConversion::joined, this,
                [this](const QString &path) { say(tr("joined: %1").arg(escapedField(path))); });
        connect(&m_conversion, &FolderConversion::passedOver, this,
                [this](const QString &path, const QString &reason) {
                    say(tr("passed over: %1: %2").arg(escapedField(path), reason));
                });
        connect(&m_conversion, &FolderConversion::cannotStart, this,
                [this](const QString &reason) { printError(m_err, reason); });
        connect(&m_conversion, &FolderConversion::fileDone, this, &WatchSession::onFileDone);
        connect(&m_conversion, &FolderConversion::stopped, this,
                [] { QCoreApplication::exit(kExitOk); });
        connect(&m_interrupts, &InterruptWatcher::interrupted, this, [this](int count) {
            if (count == 1) {
                say(tr("stopping"));
                m_conversion.stop();
            } else {
                QCoreApplication::exit(kExitOk); // leaving kills what still runs
            }
        });
    }

    int exec()
    {
        if (!m_conversion.start())
            return usageError(m_err, m_conversion.error());
        return QCoreApplication::exec();
    }

private:
    void say(const QString &line)
    {
        m_err << line << '\n';
        m_err.flush();
    }

    void onFileDone(const QString &path, RowStatus status, const QString &output,
                    const QString &messages)
    {
        printRecord(m_out, rowStatusText(status), path, output, messages);
        m_out.flush();
    }

    FolderConversion m_conversion;
    DBusSleepGuard m_sleepGuard;
    BatchKeepsAwake m_awake;
    InterruptWatcher m_interrupts;
    QTextStream &m_out;
    QTextStream &m_err;
};

} // namespace

int runWatch(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    const BatchOptions options(parser);
    const QCommandLineOption subfolders(QStringLiteral("subfolders"),
                                        tr("Watches the folder's sub-folders too."));
    const QCommandLineOption settle(
        QStringLiteral("settle"),
        tr("Seconds a file must hold still before it joins (default: the settings file's)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption inside(
        QStringLiteral("output-inside"),
        tr("Lets the converted files go inside the watched folder (they are never taken "
           "as new files)."));
    parser.addOptions({subfolders, settle, inside});
    parser.addPositionalArgument(QStringLiteral("FOLDER"), tr("The folder to watch."));
    if (const std::optional<int> done = parseArguments(
            parser, QStringLiteral("watch"), QString::fromLatin1(kUsage),
            tr("Converts every file that lands in FOLDER with output profile N, once it has "
               "held still for the settle time, and prints status<TAB>source<TAB>output per "
               "file. What was converted is remembered: a restart converts nothing twice.\n"
               "Runs until Ctrl+C or SIGTERM; what was converting then is converted at the "
               "next start."),
            args, out, err))
        return *done;
    const QStringList folders = parser.positionalArguments();
    if (folders.size() != 1)
        return usageError(err, tr("watch takes one folder"));
    const Expected<Settings> settings = options.settings(parser, err);
    if (!settings)
        return usageError(err, settings.error());
    OptionSheet sheet;
    sheet.build();
    const Expected<int> profile = options.applySheet(parser, sheet);
    if (!profile)
        return usageError(err, profile.error());
    if (const std::optional<QString> missing = missingBatchTool())
        return usageError(err, *missing);

    FolderConversion::Setup setup;
    setup.folder.folder = QDir::cleanPath(QFileInfo(folders.first()).absoluteFilePath());
    setup.folder.choices = currentChoices(sheet, *profile);
    setup.folder.subfolders = parser.isSet(subfolders);
    setup.settleMs = qint64(settings->watchSettleSeconds) * 1000;
    if (parser.isSet(settle)) {
        QString warning;
        setup.settleMs = qint64(watchSettleSeconds(parser.value(settle), &warning)) * 1000;
        if (!warning.isEmpty())
            return usageError(err, tr("--settle takes a whole number of seconds from 1 to %1, "
                                      "not \"%2\"")
                                       .arg(kMaxWatchSettleSeconds)
                                       .arg(parser.value(settle)));
    }
    setup.outputInsideAllowed = parser.isSet(inside);
    setup.environment = cliBatchEnvironment();
    setup.recordFile = AppPaths::convertedRecordFile();
    const QString outputFolder =
        absoluteOutputFolder(settings->outputFolder, setup.environment.dataFolder);
    if (!setup.outputInsideAllowed) {
        if (const std::optional<QString> reason = outputInsideReason(outputFolder, setup.folder))
            return usageError(err, *reason + tr(" Give --output-dir, or --output-inside."));
    }
    setup.settings = [value = *settings] {
        return value;
    };
    err << tr("watching %1 with profile %2; files join after holding still %3 s\n")
               .arg(escapedField(setup.folder.folder))
               .arg(*profile)
               .arg(setup.settleMs / 1000);
    err.flush();
    WatchSession session(setup, options.keepAwake(parser), out, err);
    return session.exec();
}

} // namespace vantrel::cli
