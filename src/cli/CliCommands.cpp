#include "cli/CliCommands.h"

#include "cli/SheetArguments.h"
#include "core/common/FileNames.h"
#include "core/common/TimeText.h"
#include "core/convert/batch/EncoderQuery.h"
#include "core/convert/batch/JobBuilder.h"
#include "core/convert/batch/RunPreparation.h"
#include "core/convert/command/CommandBuilder.h"
#include "core/convert/plans/RowPasses.h"
#include "core/convert/rules/SourceRules.h"
#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/settings/AppPaths.h"
#include "core/settings/Settings.h"
#include "core/tools/SourceReading.h"
#include "core/tools/ToolLocator.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>

namespace vantrel::cli {

namespace {

const QLatin1Char kTab('\t');

// An argument as a POSIX shell reads it back: in single quotes unless it
// is plain.
QString shellWord(const QString &argument)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=,+%@^-]+$"));
    if (plain.match(argument).hasMatch())
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Prints the passes of the row's work for `input`, each as the arguments a
// batch starts the encoder with (several under a comment line each that
// says what the pass does); a pass decided by what a pass before it
// measures is said by its rule alone.
void printPasses(const EncoderCommandInput &input, const RunPreparation &preparation,
                 QTextStream &out)
{
    const RowPasses passes(preparation.passContext(passLogBaseFor(input.statisticsPath)),
                           preparation.command());
    const QList<EncoderPass> outline = passes.outline();
    for (qsizetype i = 0; i < outline.size(); ++i) {
        const EncoderPass &pass = outline.at(i);
        if (outline.size() > 1) {
            out << "# " << i + 1 << '/' << outline.size() << ": " << escapedField(pass.title);
            if (!pass.decidedBy.isEmpty())
                out << ": " << escapedField(pass.decidedBy);
            out << '\n';
        }
        if (!pass.decidedBy.isEmpty())
            continue;
        QStringList words{shellWord(input.encoderPath)};
        for (const QString &argument : preparation.arguments(pass))
            words << shellWord(argument);
        out << words.join(u' ') << '\n';
    }
    out.flush();
}

// Why a clip of `job` cannot be taken from a source that holds `facts`.
std::optional<QString> clipRefusal(const ConversionJob &job, const SourceFacts &facts)
{
    const std::optional<double> held = facts.heldSeconds();
    return held ? clipPastEndReason(job, *held) : std::nullopt;
}

// Prints the row's passes as a batch runs them: asks the installed encoder
// for its encoders (or its cache) and, for today's entries, reads the
// source, as a batch does; a clip is refused where it lies past the
// source's end. Runs the event loop until then.
int printAsRun(const EncoderCommandInput &input, const EncoderCommand &command,
               const RunConditions &asked, bool clip, QTextStream &out, QTextStream &err)
{
    EncoderQuery query;
    query.setCacheFile(AppPaths::encoderListCache());
    SourceReading reading(ToolLocator::mediaInfo(), input.encoderPath);
    RunConditions conditions = asked;
    const std::optional<ReadingNeeds> needs = sourceNeeds(input.job);
    // A clip is held to the length the source holds, whatever the entry reads.
    std::optional<ReadingNeeds> reads = needs;
    if (clip) {
        reads = reads.value_or(ReadingNeeds());
        reads->length = true;
    }
    const auto print = [&](const std::optional<SourceFacts> &facts) {
        if (const std::optional<QString> refusal =
                clip && facts ? clipRefusal(input.job, *facts) : std::nullopt) {
            QCoreApplication::exit(usageError(err, *refusal));
            return;
        }
        printPasses(input,
                    RunPreparation(input.job, command, conditions, needs ? facts : std::nullopt),
                    out);
        QCoreApplication::exit(kExitOk);
    };
    QObject::connect(&query, &EncoderQuery::finished, &reading, [&](const QSet<QString> &encoders) {
        conditions.installedEncoders = encoders;
        if (reads)
            reading.start(input.job.sourcePath, *reads);
        else
            print(std::nullopt);
    });
    QObject::connect(&reading, &SourceReading::finished, &reading, [&] { print(reading.facts()); });
    query.start(input.encoderPath);
    return QCoreApplication::exec();
}

} // namespace

std::optional<int> parseArguments(QCommandLineParser &parser, const QString &command,
                                  const QString &usage, const QString &description,
                                  const QStringList &args, QTextStream &out, QTextStream &err)
{
    parser.setApplicationDescription(description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  tr("Show this help."));
    parser.addOption(help);
    if (!parser.parse(QStringList{QStringLiteral("vantrel-cli ") + command} + args)) {
        usageError(err, parser.errorText());
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        // The parser names the executable only; the first line names the command too.
        QString text = parser.helpText();
        text.remove(0, text.indexOf(u'\n') + 1);
        out << "Usage: vantrel-cli " << command << ' ' << usage << '\n' << text;
        out.flush();
        return kExitOk;
    }
    return std::nullopt;
}

QCommandLineOption threadsOption()
{
    return QCommandLineOption(QStringLiteral("threads"),
                              tr("Encoder thread setting (default: the settings file's)."),
                              QStringLiteral("TEXT"));
}

namespace {

bool isDirectionControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) ||
           (u >= 0x2066 && u <= 0x2069);
}

} // namespace

QString escapedField(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QLatin1String("\\\\");
            break;
        case u'\t':
            escaped += QLatin1String("\\t");
            break;
        case u'\n':
            escaped += QLatin1String("\\n");
            break;
        case u'\r':
            escaped += QLatin1String("\\r");
            break;
        default:
            // Any other control character (ESC, BEL, NUL, DEL, the C1 set)
            // would be a command to the terminal: it is shown as \xNN.
            if (c.category() == QChar::Other_Control)
                escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            // A direction mark or override would turn the rest of the line
            // around (a title that shows "4pm.exe" as "exe.mp4"): shown as \uNNNN.
            else if (isDirectionControl(c))
                escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
    }
    return escaped;
}

SettingsFile cliSettingsFile()
{
    return SettingsFile(AppPaths::settingsFile(), AppPaths::defaultOutputFolder());
}

void printRecord(QTextStream &out, const QString &status, const QString &source,
                 const QString &output, const QString &messages)
{
    out << status << '\t' << escapedField(source) << '\t' << escapedField(output) << '\n';
    if (!messages.isEmpty()) {
        for (const QString &line : messages.split(u'\n'))
            out << "  " << escapedField(line) << '\n';
    }
}

void printError(QTextStream &err, const QString &message)
{
    QString line = message;
    line.replace(u'\n', u' ');
    err << "vantrel-cli: " << escapedField(line) << '\n';
    err.flush();
}

int usageError(QTextStream &err, const QString &message)
{
    printError(err, message);
    return kExitUsage;
}

int runProfiles(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    if (const std::optional<int> done =
            parseArguments(parser, QStringLiteral("profiles"), QString(),
                           tr("Lists the output profiles in list order:\n"
                              "N<TAB>group<TAB>caption<TAB>picture or "
                              "N<TAB>profile<TAB>caption."),
                           args, out, err))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usageError(err, tr("profiles takes no arguments"));
    for (const CatalogueEntry &entry : profileCatalogue()) {
        out << entry.number << kTab;
        if (entry.isGroup())
            out << "group" << kTab << entry.captionText() << kTab << entry.picture;
        else
            out << "profile" << kTab << entry.captionText();
        out << '\n';
    }
    return kExitOk;
}

int runSheet(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("N"),
                                 tr("Entry numbers picked one after the other."),
                                 QStringLiteral("[N ...]"));
    if (const std::optional<int> done =
            parseArguments(parser, QStringLiteral("sheet"), QStringLiteral("[N ...]"),
                           tr("Builds the option sheet, applies the defaults of each "
                              "entry N in order and prints every item:\n"
                              "category<TAB>item<TAB>value<TAB>choices (joined by |)."),
                           args, out, err))
        return *done;
    OptionSheet sheet;
    sheet.build();
    const Expected<bool> picked = applyPicks(sheet, parser.positionalArguments(), tr("sheet"));
    if (!picked)
        return usageError(err, picked.error());
    for (const OptionSheet::Category &category : sheet.categories()) {
        for (const OptionSheet::Item &item : category.items) {
            out << category.caption << kTab << item.caption << kTab << item.value << kTab
                << item.choices.join(QLatin1Char('|')) << '\n';
        }
    }
    return kExitOk;
}

int runCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    const SheetOptions sheetOptions(parser);
    const QCommandLineOption source(QStringLiteral("source"), tr("Source file."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption output(QStringLiteral("output"), tr("Output file."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption start(QStringLiteral("start"), tr("Clip start (default 0:00:00)."),
                                   QStringLiteral("TIME"), QStringLiteral("0:00:00"));
    const QCommandLineOption end(QStringLiteral("end"), tr("Clip end."), QStringLiteral("TIME"));
    const QCommandLineOption threads = threadsOption();
    const QCommandLineOption encoder(QStringLiteral("encoder"),
                                     tr("Encoder path (default: the encoder the program runs)."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption stats(
        QStringLiteral("stats-file"),
        tr("Statistics file (default: curconvert.log in the data folder)."),
        QStringLiteral("PATH"));
    const QCommandLineOption asRun(
        QStringLiteral("as-run"),
        tr("Print the arguments a batch starts the installed encoder with: adapted to it, to the "
           "settings and (today's entries) to the source, which is read first. Without --end, "
           "the whole file, as a batch converts an untrimmed row."));
    parser.addOptions({source, output, start, end, threads, encoder, stats, asRun});
    if (const std::optional<int> done =
            parseArguments(parser, QStringLiteral("command"),
                           QStringLiteral("--profile N [--apply M]... [--set \"ITEM=VALUE\"]... "
                                          "--source PATH --output PATH [--start TIME] [--end TIME] "
                                          "[--threads TEXT] [--encoder PATH] [--stats-file PATH] "
                                          "[--as-run]"),
                           tr("Prints the encoder command that converts one source "
                              "with profile N, as the tables build it (what the tables say, "
                              "with the tool's paths quoted), or with --as-run as the batch "
                              "runs it (one shell word per argument)."),
                           args, out, err))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usageError(err,
                          tr("unexpected argument: ") + parser.positionalArguments().constFirst());
    const bool wholeFile = parser.isSet(asRun) && !parser.isSet(end);
    for (const QCommandLineOption *required : {&source, &output, &end}) {
        if (!parser.isSet(*required) && !(required == &end && wholeFile))
            return usageError(err, tr("--%1 is required").arg(required->names()[0]));
    }
    if (wholeFile && parser.isSet(start))
        return usageError(err, tr("--start needs --end"));

    OptionSheet sheet;
    sheet.build();
    const Expected<int> profile = sheetOptions.apply(parser, sheet);
    if (!profile)
        return usageError(err, profile.error());
    const Expected<std::optional<QStringList>> languages = sheetOptions.languages(parser);
    if (!languages)
        return usageError(err, languages.error());
    ConversionOptions options = sheet.conversionOptions();
    options.languages = languages->value_or(cliSettingsFile().read().preferredLanguages).join(u',');
    const Expected<ConversionJob> job =
        buildConversionJob(parser.value(source), *profile, options, parser.value(start),
                           wholeFile ? parser.value(start) : parser.value(end));
    if (!job)
        return usageError(err, job.error());
    if (parser.isSet(end) && job->durationSeconds <= 0)
        return usageError(err, tr("The clip's end %1 is not after its start %2.")
                                   .arg(parser.value(end), parser.value(start)));

    EncoderCommandInput input;
    input.job = *job;
    input.job.outputPath = parser.value(output);
    input.job.endTrimmed = parser.isSet(end);
    input.threadSetting =
        parser.isSet(threads) ? parser.value(threads) : cliSettingsFile().read().threads;
    input.encoderPath = parser.isSet(encoder) ? parser.value(encoder) : ToolLocator::encoder();
    input.statisticsPath = parser.isSet(stats) ? parser.value(stats) : AppPaths::statisticsFile();

    const Expected<EncoderCommand> command = buildEncoderCommand(input);
    if (!command)
        return usageError(err, command.error());
    if (parser.isSet(asRun)) {
        // Sound-only entries take the whole source anyway.
        const bool soundOnly = isAudioOnlyShape(profileCommandRow(*profile)->shape);
        return printAsRun(input, *command,
                          {cliSettingsFile().read().existingFile, {}, wholeFile || soundOnly},
                          !wholeFile, out, err);
    }
    out << command->text() << '\n';
    return kExitOk;
}

} // namespace vantrel::cli
