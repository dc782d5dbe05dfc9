#include "cli/ProbeCommand.h"

#include "cli/CliCommands.h"
#include "core/convert/rules/TrackRoles.h"
#include "core/sources/SourceFileRules.h"
#include "core/sources/SourceList.h"
#include "core/tools/MediaProbe.h"
#include "core/tools/SourceReading.h"
#include "core/tools/ToolLocator.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace vantrel::cli {

namespace {

const QString kUsage =
    QStringLiteral("[--player PATH] [--time-limit SECONDS] [--tracks] [--] FILE...");

} // namespace

ProbeCommand::ProbeCommand(QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent), m_out(out), m_err(err)
{}

ProbeCommand::~ProbeCommand() = default;

std::optional<int> ProbeCommand::start(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption player(QStringLiteral("player"),
                                    tr("Player path (default: the player the program runs)."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption timeLimit(
        QStringLiteral("time-limit"),
        tr("Seconds one probe may take (default %1).").arg(MediaProbe::kDefaultTimeLimitMs / 1000),
        QStringLiteral("SECONDS"));
    const QCommandLineOption tracks(
        QStringLiteral("tracks"),
        tr("After each file, one line per stream: "
           "track<TAB>index<TAB>kind<TAB>codec<TAB>language<TAB>size or channels<TAB>title<TAB>"
           "flags (default, forced, original, dub, cover, commentary, descriptive, "
           "hearing-impaired, karaoke)."));
    parser.addOptions({player, timeLimit, tracks});
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("Files to probe."),
                                 QStringLiteral("FILE..."));

    if (const std::optional<int> done = parseArguments(
            parser, QStringLiteral("probe"), kUsage,
            tr("Probes the files with the player, several at once, and prints one line "
               "per file in the order given:\n"
               "path<TAB>start<TAB>end<TAB>size<TAB>format<TAB>video time.\n"
               "\"--\" ends the options, so that a file name may begin with \"-\".\n"
               "Exit code 1 when a file cannot be read or is no video or sound file the "
               "player can read; the reason goes to stderr."),
            args, m_out, m_err))
        return *done;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return usageError(m_err, tr("probe needs at least one FILE"));
    int limitMs = MediaProbe::kDefaultTimeLimitMs;
    if (parser.isSet(timeLimit)) {
        bool ok = false;
        const double seconds = parser.value(timeLimit).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 24 * 3600)
            return usageError(m_err, tr("--time-limit wants a number of seconds, "
                                        "not \"%1\"")
                                         .arg(parser.value(timeLimit)));
        limitMs = static_cast<int>(seconds * 1000);
    }

    for (const QString &file : files) {
        if (const std::optional<QString> refusal = unusableSourceReason(file))
            return usageError(m_err, *refusal);
    }

    m_playerNamed = parser.isSet(player);
    m_tracksWanted = parser.isSet(tracks);
    m_probe = std::make_unique<MediaProbe>(parser.isSet(player) ? parser.value(player)
                                                                : ToolLocator::player());
    m_probe->setTimeLimitMs(limitMs);
    m_list = std::make_unique<SourceList>(m_probe.get());
    connect(m_list.get(), &SourceList::allProbed, this, &ProbeCommand::report);
    for (const QString &file : files)
        m_list->addSourceFile(QFileInfo(file).absoluteFilePath());
    // The probe answers from the event loop only, so `finished` cannot come
    // before the caller has started the loop.
    return std::nullopt;
}

void ProbeCommand::report()
{
    if (m_probe->isToolMissing()) {
        const QString message =
            m_playerNamed
                ? tr("the player \"%1\" is not an executable file").arg(m_probe->playerPath())
                : ToolLocator::missingToolMessage(ToolLocator::kPlayer);
        Q_EMIT finished(usageError(m_err, message));
        return;
    }
    if (m_tracksWanted && m_tracks.size() < m_list->count()) {
        readTracks();
        return;
    }
    const QLatin1Char tab('\t');
    int unfit = 0;
    for (int row = 0; row < m_list->count(); ++row) {
        const SourceItem &item = m_list->item(row);
        m_out << escapedField(item.fileName) << tab << item.clipStart << tab << item.clipEnd << tab
              << item.frameSize << tab << escapedField(videoFormatName(item.videoFormat)) << tab
              << item.videoTime << '\n';
        if (m_tracksWanted && m_tracks.at(row))
            printTracks(*m_tracks.at(row));
        if (!item.problem.isEmpty()) {
            m_err << "vantrel-cli: " << escapedField(item.problem) << '\n';
            ++unfit;
        }
    }
    m_out.flush();
    m_err.flush();
    Q_EMIT finished(unfit == 0 ? kExitOk : kExitFailed);
}

void ProbeCommand::readTracks()
{
    if (!m_reading) {
        m_reading = std::make_unique<SourceReading>();
        m_reading->setBackground(false);
        connect(m_reading.get(), &SourceReading::finished, this, [this] {
            m_tracks.append(m_reading->facts());
            report();
        });
    }
    ReadingNeeds headers;
    headers.headerOnly = true;
    m_reading->start(m_list->item(int(m_tracks.size())).fileName, headers);
}

void ProbeCommand::printTracks(const SourceFacts &facts)
{
    static const char *const kKinds[] = {"video", "audio", "subtitle", "attachment", "data"};
    const QLatin1Char tab('\t');
    for (const StreamFacts &s : facts.streams) {
        QString shape;
        if (s.kind == StreamFacts::Kind::Video && s.width > 0)
            shape = QStringLiteral("%1x%2").arg(s.width).arg(s.height);
        else if (s.kind == StreamFacts::Kind::Audio && s.channels > 0)
            shape = tr("%1 ch").arg(s.channels);
        m_out << "track" << tab << s.index << tab << kKinds[int(s.kind)] << tab
              << escapedField(s.codec) << tab << escapedField(s.language) << tab << shape << tab
              << escapedField(s.title) << tab << trackFlags(s).join(u',') << '\n';
    }
}

} // namespace vantrel::cli
