#include "core/convert/command/EncoderArguments.h"

#include "core/convert/command/EncoderList.h"
#include "core/convert/command/PictureFit.h"
#include "core/records/OptionValues.h"

#include <cmath>

namespace vantrel {

namespace {

// The codec stretches as the installed encoder has them: a codec after
// "-vcodec"/"-acodec" that it lacks becomes its built-in equivalent.
QStringList withInstalledCodecs(QStringList args, const QSet<QString> &available)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i - 1] == QLatin1String("-acodec") || args[i - 1] == QLatin1String("-vcodec"))
            args[i] = installedCodec(args[i], available);
    }
    return args;
}

// `args` with the adaptation's pixel format and encoder parameters: the
// parameters join each of the encoder's own options of their kind, or stand
// after the codec (`addParams`) when it has none.
QStringList withPictureFormat(QStringList args, const RunAdaptation &adaptation, bool addParams)
{
    bool joined = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (!adaptation.pixelFormat.isEmpty() && args[i - 1] == QLatin1String("-pix_fmt"))
            args[i] = adaptation.pixelFormat;
        if (adaptation.encoderParams.size() == 2 && args[i - 1] == adaptation.encoderParams[0]) {
            args[i] += u':' + adaptation.encoderParams[1];
            joined = true;
        }
    }
    if (addParams && !joined && adaptation.encoderParams.size() == 2)
        args += adaptation.encoderParams;
    return args;
}

// The picture's filters as the run applies them: the adaptation's first,
// then the command's own or, behind a frame size without one, the filter
// that fits the picture into the frame; none when there is nothing to do.
// `over`: a subtitle drawn in between, in a graph of its own.
struct RunFilters
{
    QStringList before;
    QStringList after;
    bool isEmpty() const { return before.isEmpty() && after.isEmpty(); }
};

RunFilters runFilters(const EncoderCommand &command, const RunAdaptation &adaptation)
{
    RunFilters filters{adaptation.filtersBefore, {}};
    if (command.has(CommandRole::Filter)) {
        filters.after << command.argumentsOf(CommandRole::Filter).value(1);
    } else if (const std::optional<QSize> frame =
                   frameSizeOf(command.argumentsOf(CommandRole::Size).value(1))) {
        filters.after << pictureFitFilter(frame->width(), frame->height(),
                                          command.lastValueOf(QStringLiteral("-aspect")));
    }
    if (filters.isEmpty() && adaptation.overlaySubtitle.isEmpty())
        return filters;
    // Behind a filter the last picture lasts one frame's time; at a
    // constant rate the fps filter fills the time the source holds it.
    const QString ownRate = command.argumentsOf(CommandRole::FrameRate).value(1);
    const QString rate = ownRate.isEmpty() ? adaptation.constantRate : ownRate;
    if (!rate.isEmpty())
        filters.after << QStringLiteral("fps=") + rate;
    return filters;
}

// The label the graph that draws a subtitle over the picture gives its picture.
const QString kDrawnPicture = QStringLiteral("[drawn]");

// The graph that draws `subtitle` over `picture` ("0:1", "0:5"), between
// the filters before and after.
QString overlayGraph(const QString &picture, const QString &subtitle, const RunFilters &filters)
{
    const QString before =
        filters.before.isEmpty() ? QStringLiteral("null") : filters.before.join(u',');
    QString graph = QStringLiteral("[%1]%2[picture];[picture][%3]overlay=eof_action=pass")
                        .arg(picture, before, subtitle);
    for (const QString &filter : filters.after)
        graph += u',' + filter;
    return graph + kDrawnPicture;
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
    const RunFilters filters = runFilters(command, adaptation);
    // A subtitle drawn over the picture takes a graph of its own, whose
    // picture is mapped in place of the source's.
    const QStringList streams = adaptation.streams.value_or(QStringList());
    const bool overlay = !adaptation.overlaySubtitle.isEmpty() && !streams.isEmpty();
    QStringList maps;
    if (overlay)
        maps << QStringLiteral("-filter_complex")
             << overlayGraph(streams.front(), adaptation.overlaySubtitle, filters);
    for (const QString &stream : streams)
        maps << QStringLiteral("-map")
             << (overlay && &stream == &streams.front() ? kDrawnPicture : stream);
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
        filters.isEmpty() || overlay
            ? QStringList()
            : QStringList{QStringLiteral("-vf"), (filters.before + filters.after).join(u',')};
    bool mapsDone = false;
    for (const CommandPart &part : command.parts()) {
        QStringList partArgs = part.pieces.arguments();
        switch (part.role) {
        case CommandRole::Program:
        case CommandRole::Threads:
            continue; // the program is started apart; the threads stand before the output
        case CommandRole::Input:
            // A copy read from its key frame seeks the input there.
            if (adaptation.copyFrom)
                args << QStringLiteral("-ss")
                     << QString::number(std::ceil(*adaptation.copyFrom * 1000) / 1000, 'f', 3);
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
            if (adaptation.copyFrom)
                partArgs = {QStringLiteral("-t"), QString::number(adaptation.copySeconds, 'f', 3)};
            break;
        case CommandRole::VideoCodec:
            partArgs =
                withPictureFormat(withInstalledCodecs(partArgs, available), adaptation, true);
            break;
        case CommandRole::SoundCodec:
            partArgs = withInstalledCodecs(partArgs, available);
            break;
        case CommandRole::Pass:
        case CommandRole::Other:
            partArgs = withPictureFormat(partArgs, adaptation, false);
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
