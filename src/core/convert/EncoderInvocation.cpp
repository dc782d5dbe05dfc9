#include "core/convert/EncoderInvocation.h"

#include <QRegularExpression>

#include <numeric>

namespace vantrel {

namespace {

struct CodecReplacement
{
    const char *wanted;
    const char *equivalent;
};

// Codecs of the profile tables that builds of the encoder may lack.
constexpr CodecReplacement kReplacements[] = {
    {"libfaac", "aac"},
    {"libxvid", "mpeg4"},
};

} // namespace

QSet<QString> parseEncoderList(const QString &output)
{
    // " V....D libx264   libx264 H.264 ..." after the "------" rule.
    static const QRegularExpression row(QStringLiteral("^\\s*[VAS][A-Z.]{5}\\s+(\\S+)\\s"),
                                        QRegularExpression::MultilineOption);
    const qsizetype rule = output.indexOf(QLatin1String("------"));
    QSet<QString> names;
    QRegularExpressionMatchIterator it = row.globalMatch(output, rule < 0 ? 0 : rule);
    while (it.hasNext())
        names.insert(it.next().captured(1));
    return names;
}

std::optional<QSize> frameSizeOf(const QString &text)
{
    static const QRegularExpression frame(QStringLiteral("^(\\d+)x(\\d+)$"));
    const QRegularExpressionMatch match = frame.match(text);
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    return match.hasMatch() && size.width() > 0 && size.height() > 0 ? std::optional<QSize>(size)
                                                                     : std::nullopt;
}

QString pictureFitFilter(int width, int height, const QString &displayAspect)
{
    // The frame's sample aspect (the shape of one pixel on the screen) as a
    // fraction: display aspect x height / width, or square without one.
    qint64 num = 1;
    qint64 den = 1;
    const QStringList parts = displayAspect.split(u':');
    bool ok = false;
    if (parts.size() == 2) {
        const qint64 a = parts[0].toLongLong(&ok);
        bool okB = false;
        const qint64 b = parts[1].toLongLong(&okB);
        if (ok && okB && a > 0 && b > 0) {
            num = a * height;
            den = b * width;
        }
    } else if (const double aspect = displayAspect.toDouble(&ok); ok && aspect > 0) {
        num = qRound64(aspect * 1000) * height;
        den = 1000LL * width;
    }
    const qint64 divisor = std::gcd(num, den);
    const QString sar = QStringLiteral("%1/%2").arg(num / divisor).arg(den / divisor);
    // The picture's display aspect `dar` against the frame's: wider pictures
    // take the whole width, taller ones the whole height; sizes stay even.
    const QString w = QString::number(width);
    const QString h = QString::number(height);
    const QString wider = QStringLiteral("gt(dar/(%1),%2/%3)").arg(sar, w, h);
    return QStringLiteral("scale=w='if(%1,%2,2*trunc(%3*dar/(%4)/2))'"
                          ":h='if(%1,2*trunc(%2*(%4)/dar/2),%3)',"
                          "pad=%2:%3:(ow-iw)/2:(oh-ih)/2,setsar=%4")
        .arg(wider, w, h, sar);
}

QStringList missingEncoders(const QStringList &runArguments, const QSet<QString> &installed)
{
    QStringList missing;
    if (installed.isEmpty())
        return missing;
    for (qsizetype i = 1; i < runArguments.size(); ++i) {
        const QString &option = runArguments[i - 1];
        if (option != QLatin1String("-c:v") && option != QLatin1String("-c:a") &&
            option != QLatin1String("-vcodec") && option != QLatin1String("-acodec"))
            continue;
        const QString &encoder = runArguments[i];
        if (encoder != QLatin1String("copy") && !installed.contains(encoder) &&
            !missing.contains(encoder))
            missing << encoder;
    }
    return missing;
}

bool needsEncoderList(const EncoderCommand &command)
{
    const QStringList args = command.arguments();
    // Today's entries name encoders a build may lack: known before they run.
    if (args.contains(QLatin1String("-c:v")) || args.contains(QLatin1String("-c:a")))
        return true;
    for (const CodecReplacement &r : kReplacements) {
        if (args.contains(QLatin1String(r.wanted)))
            return true;
    }
    return false;
}

namespace {

// The codec stretches as the installed encoder has them: a codec after
// "-vcodec"/"-acodec" that it lacks becomes its built-in equivalent.
QStringList withInstalledCodecs(QStringList args, const QSet<QString> &available)
{
    if (available.isEmpty())
        return args;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i - 1] != QLatin1String("-acodec") && args[i - 1] != QLatin1String("-vcodec"))
            continue;
        for (const CodecReplacement &r : kReplacements) {
            if (args[i] == QLatin1String(r.wanted) && !available.contains(args[i]) &&
                available.contains(QLatin1String(r.equivalent)))
                args[i] = QLatin1String(r.equivalent);
        }
    }
    return args;
}

// The picture's filters as the run applies them: the adaptation's first,
// then the command's own or, behind a frame size without one, the filter
// that fits the picture into the frame; none when there is nothing to do.
QString runFilters(const EncoderCommand &command, const RunAdaptation &adaptation)
{
    QStringList filters = adaptation.filtersBefore;
    if (command.has(CommandRole::Filter)) {
        filters << command.argumentsOf(CommandRole::Filter).value(1);
    } else if (const std::optional<QSize> frame =
                   frameSizeOf(command.argumentsOf(CommandRole::Size).value(1))) {
        filters << pictureFitFilter(frame->width(), frame->height(),
                                    command.lastValueOf(QStringLiteral("-aspect")));
    }
    if (filters.isEmpty())
        return QString();
    // Behind a filter the last picture lasts one frame's time; at a
    // constant rate the fps filter fills the time the source holds it.
    const QString ownRate = command.argumentsOf(CommandRole::FrameRate).value(1);
    const QString rate = ownRate.isEmpty() ? adaptation.constantRate : ownRate;
    if (!rate.isEmpty())
        filters << QStringLiteral("fps=") + rate;
    return filters.join(u',');
}

} // namespace

QStringList encoderRunArguments(const EncoderCommand &command, ExistingFilePolicy policy,
                                const QSet<QString> &available, bool wholeFile,
                                const RunAdaptation &adaptation)
{
    // The messages kept for a row are its own.
    QStringList args{QStringLiteral("-hide_banner"), policy == ExistingFilePolicy::AddNew
                                                         ? QStringLiteral("-n")
                                                         : QStringLiteral("-y")};
    QStringList maps;
    for (const QString &stream : adaptation.streams.value_or(QStringList()))
        maps << QStringLiteral("-map") << stream;
    const QString filters = runFilters(command, adaptation);
    const QString soundLayout =
        adaptation.soundLayout.isEmpty()
            ? QString()
            : QStringLiteral("aformat=channel_layouts=") + adaptation.soundLayout;
    // Where the filters stand: with the command's own, else behind the
    // frame size, else before the output.
    const CommandRole filterPlace = command.has(CommandRole::Filter) ? CommandRole::Filter
                                    : command.has(CommandRole::Size) ? CommandRole::Size
                                                                     : CommandRole::Output;
    const QStringList filterArgs =
        filters.isEmpty() ? QStringList() : QStringList{QStringLiteral("-vf"), filters};
    bool mapsDone = false;
    for (const CommandPart &part : command.parts()) {
        QStringList partArgs = part.pieces.arguments();
        switch (part.role) {
        case CommandRole::Program:
        case CommandRole::Threads:
            continue; // the program is started apart; the threads stand before the output
        case CommandRole::Input:
            args += partArgs;
            // A command without maps of its own takes the adaptation's here.
            if (!command.has(CommandRole::Maps))
                args += std::exchange(maps, {});
            continue;
        case CommandRole::Maps:
            if (adaptation.streams)
                partArgs = mapsDone ? QStringList() : maps;
            mapsDone = true;
            break;
        case CommandRole::Clip:
            if (wholeFile)
                continue;
            break;
        case CommandRole::VideoCodec:
        case CommandRole::SoundCodec:
            partArgs = withInstalledCodecs(partArgs, available);
            break;
        case CommandRole::VideoRate:
            // "-b" meant the video bitrate; the installed encoder refuses it
            // as ambiguous between video and audio.
            if (partArgs.value(0) == QLatin1String("-b"))
                partArgs[0] = QStringLiteral("-b:v");
            break;
        case CommandRole::Filter:
            partArgs = filterArgs;
            break;
        case CommandRole::Output:
            if (filterPlace == CommandRole::Output)
                args += filterArgs;
            if (!command.has(CommandRole::SoundFilter) && !soundLayout.isEmpty())
                args << QStringLiteral("-af") << soundLayout;
            args += adaptation.outputOptions;
            args += command.argumentsOf(CommandRole::Threads);
            break;
        case CommandRole::SoundFilter:
            if (!soundLayout.isEmpty() && partArgs.size() == 2)
                partArgs[1] = soundLayout + u',' + partArgs[1];
            break;
        case CommandRole::FrameRate:
        case CommandRole::Size:
        case CommandRole::SoundRate:
        case CommandRole::SampleRate:
        case CommandRole::Container:
        case CommandRole::Pass:
        case CommandRole::Other:
        case CommandRole::Statistics:
            break;
        }
        args += partArgs;
        if (part.role == CommandRole::Size && filterPlace == CommandRole::Size)
            args += filterArgs;
    }
    return args;
}

} // namespace vantrel
