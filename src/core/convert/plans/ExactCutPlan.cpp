#include "core/convert/plans/ExactCutPlan.h"

#include "core/common/NumberText.h"
#include "core/convert/rules/SourceRules.h"

#include <QCoreApplication>

#include <cmath>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PassPlan", text);
}

// Seconds as FFmpeg takes them.
QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 3);
}
// Where the source is read from for a piece: a second before the key frame
// before it, since a seek in some containers (MPEG-TS) lands on any packet
// near its time and in others goes by a coarse index; what comes before the
// piece is then dropped.
constexpr double kReadAhead = 1.0;
double readFrom(double keyFrame)
{
    return std::max(0.0, keyFrame - kReadAhead);
}

// Each argument a value of its own.
CommandLine words(const QStringList &arguments)
{
    CommandLine line;
    for (const QString &argument : arguments) {
        line.appendLiteral(QStringLiteral(" "));
        line.appendValue(argument);
    }
    return line;
}

CommandLine inputOf(const QStringList &before, const QString &path)
{
    CommandLine line = words(before + QStringList{QStringLiteral("-i")});
    line.appendLiteral(QStringLiteral(" "));
    line.appendPath(path);
    return line;
}

} // namespace

ExactCutPlan::ExactCutPlan(PassContext context, ExactStart exact)
    : m_context(std::move(context)), m_exact(std::move(exact))
{}

QByteArray ExactCutPlan::concatList(const QStringList &pieces)
{
    QByteArray list = "ffconcat version 1.0\n";
    for (QString path : pieces)
        list += "file '" + path.replace(u'\'', QLatin1String("'\\''")).toUtf8() + "'\n";
    return list;
}

QString ExactCutPlan::piece(const char *name) const
{
    return m_context.passLogBase + QLatin1Char('-') + QLatin1String(name);
}

QList<CommandPart> ExactCutPlan::partsOf(std::initializer_list<CommandRole> roles) const
{
    QList<CommandPart> parts;
    for (const CommandPart &part : m_command.parts()) {
        if (std::find(roles.begin(), roles.end(), part.role) != roles.end())
            parts << part;
    }
    return parts;
}

PassStep ExactCutPlan::begin(const EncoderCommand &command)
{
    m_command = command;
    m_step = Step::Head;
    return PassStep::run(headPass());
}

PassStep ExactCutPlan::next(const PassOutcome &)
{
    switch (m_step) {
    case Step::Head:
        m_step = copiesABody() ? Step::Body : Step::Sound;
        return PassStep::run(copiesABody() ? bodyPass() : soundPass());
    case Step::Body:
        m_step = Step::Sound;
        return PassStep::run(soundPass());
    case Step::Sound:
        m_step = Step::Join;
        return PassStep::run(joinPass());
    case Step::Join:
        break;
    }
    return PassStep::done();
}

EncoderPass ExactCutPlan::headPass() const
{
    // The encoder decodes from before the key frame before the start and
    // keeps the pictures from the start on.
    EncoderCommand head;
    head.append(partsOf({CommandRole::Program}));
    const double from = readFrom(m_exact.keyFrameBefore);
    head.append(CommandRole::Input,
                inputOf({QStringLiteral("-ss"), secondsText(from)}, m_context.job.sourcePath));
    head.append(CommandRole::Maps,
                words({QStringLiteral("-map"), QStringLiteral("0:%1").arg(m_exact.picture)}));
    // The pictures before the start go in the filter, which puts the first
    // one kept at 0, as the pieces after it expect.
    head.append(CommandRole::Other,
                words({QStringLiteral("-vf"), QStringLiteral("trim=start=%1,setpts=PTS-STARTPTS")
                                                  .arg(secondsText(m_exact.start - from))}));
    head.append(CommandRole::VideoCodec,
                words(m_exact.encoder +
                      QStringList{QStringLiteral("-fps_mode"), QStringLiteral("passthrough")}));
    head.append(CommandRole::Other,
                words({QStringLiteral("-an"), QStringLiteral("-sn"), QStringLiteral("-dn")}));
    // As many pictures as stand before the joint: a length would round on
    // timestamps that some containers shift by a few milliseconds.
    const std::optional<int> count = picturesAgain();
    head.append(CommandRole::Clip,
                count ? words({QStringLiteral("-frames:v"), QString::number(*count)})
                      : words({QStringLiteral("-t"), secondsText(m_exact.joint - m_exact.start)}));
    head.append(CommandRole::Container, words({QStringLiteral("-f"), QStringLiteral("mpegts")}));
    CommandLine output = CommandLine::literal(" ");
    output.appendPath(piece("head.ts"));
    head.append(CommandRole::Output, output);
    head.append(partsOf({CommandRole::Threads, CommandRole::Statistics}));
    EncoderPass pass;
    pass.title = tr("encodes the pictures before the first key frame again");
    pass.command = head;
    pass.writesOutput = false;
    pass.readsSource = false;
    pass.weight = 1;
    pass.weightAfter = 0.5;
    return pass;
}

EncoderPass ExactCutPlan::bodyPass() const
{
    // A copy read from before the key frame before the joint, dropping the
    // packets before halfway to the joint, and then those that are no key
    // frame until one comes: it begins on the joint's key frame whatever the
    // container's seek lands on (a seek goes by an index that may be coarse,
    // a copy's output seek by decoding times, which B-frames put earlier).
    EncoderCommand body;
    body.append(partsOf({CommandRole::Program}));
    const double from = readFrom(m_exact.keyFrameBefore);
    const double halfway = (m_exact.keyFrameBefore + m_exact.jointKeyFrame) / 2;
    body.append(CommandRole::Input, inputOf({QStringLiteral("-ss"), secondsText(from),
                                             QStringLiteral("-fflags"), QStringLiteral("+genpts")},
                                            m_context.job.sourcePath));
    body.append(CommandRole::Maps,
                words({QStringLiteral("-map"), QStringLiteral("0:%1").arg(m_exact.picture)}));
    body.append(CommandRole::Other, words({QStringLiteral("-c"), QStringLiteral("copy")}));
    body.append(CommandRole::Clip,
                words({QStringLiteral("-ss"), secondsText(halfway - from), QStringLiteral("-t"),
                       secondsText(m_exact.end - halfway)}));
    body.append(CommandRole::Container, words({QStringLiteral("-f"), QStringLiteral("mpegts")}));
    CommandLine output = CommandLine::literal(" ");
    output.appendPath(piece("body.ts"));
    body.append(CommandRole::Output, output);
    body.append(partsOf({CommandRole::Threads}));
    EncoderPass pass;
    pass.title = tr("copies the pictures from the first key frame on");
    pass.command = body;
    pass.writesOutput = false;
    pass.readsSource = false;
    pass.weight = 0.25;
    pass.weightAfter = 0.25;
    return pass;
}

QStringList ExactCutPlan::keptStreams() const
{
    // Every stream the copy keeps but the picture, in the copy's order.
    const RunAdaptation kept =
        m_context.facts ? adaptToSource(*m_context.facts, m_context.job) : RunAdaptation();
    QStringList streams;
    for (const QString &stream : kept.streams.value_or(
             QStringList{QStringLiteral("0:a?"), QStringLiteral("0:s?"), QStringLiteral("0:t?")})) {
        if (stream != QStringLiteral("0:%1").arg(m_exact.picture))
            streams << stream;
    }
    return streams;
}

EncoderPass ExactCutPlan::soundPass() const
{
    // The sound and subtitles from the very start: a copy's output seek
    // drops the packets before it, which for sound is every frame before.
    const double from = std::max(0.0, m_exact.start - kReadAhead);
    EncoderCommand sound;
    sound.append(partsOf({CommandRole::Program}));
    sound.append(CommandRole::Input,
                 inputOf({QStringLiteral("-ss"), secondsText(from)}, m_context.job.sourcePath));
    QStringList maps;
    for (const QString &stream : keptStreams())
        maps << QStringLiteral("-map") << stream;
    sound.append(CommandRole::Maps, words(maps));
    sound.append(CommandRole::Other, words({QStringLiteral("-c"), QStringLiteral("copy")}));
    sound.append(CommandRole::Clip,
                 words({QStringLiteral("-ss"), secondsText(m_exact.start - from),
                        QStringLiteral("-t"), secondsText(m_exact.end - m_exact.start)}));
    sound.append(CommandRole::Container, words({QStringLiteral("-f"), QStringLiteral("matroska")}));
    CommandLine output = CommandLine::literal(" ");
    output.appendPath(piece("sound.mkv"));
    sound.append(CommandRole::Output, output);
    sound.append(partsOf({CommandRole::Threads}));
    EncoderPass pass;
    pass.title = tr("copies the sound and subtitles from the start");
    pass.command = sound;
    pass.writesOutput = false;
    pass.readsSource = false;
    pass.weight = 0.1;
    pass.weightAfter = 0.25;
    return pass;
}

EncoderPass ExactCutPlan::joinPass() const
{
    // The picture from the pieces, every other stream from the sound's
    // piece, each in its place among its kind.
    QStringList pieces{piece("head.ts")};
    if (copiesABody())
        pieces << piece("body.ts");
    const RunAdaptation kept =
        m_context.facts ? adaptToSource(*m_context.facts, m_context.job) : RunAdaptation();
    QStringList maps = {QStringLiteral("-map"), QStringLiteral("0:v:0")};
    const QStringList streams = keptStreams();
    for (int at = 0; at < streams.size(); ++at) {
        const QString &stream = streams.at(at);
        maps << QStringLiteral("-map")
             << (stream.endsWith(u'?') ? QStringLiteral("1:") + stream.mid(2)
                                       : QStringLiteral("1:%1").arg(at));
    }
    EncoderCommand join;
    join.append(partsOf({CommandRole::Program}));
    CommandLine input = inputOf({QStringLiteral("-f"), QStringLiteral("concat"),
                                 QStringLiteral("-safe"), QStringLiteral("0")},
                                piece("joint.ffconcat"));
    input.append(inputOf({}, piece("sound.mkv")));
    join.append(CommandRole::Input, input);
    join.append(CommandRole::Maps, words(maps));
    // The row's own copy, its metadata and chapters from the sound's piece,
    // which has the source's.
    for (const CommandPart &part : partsOf({CommandRole::Other, CommandRole::Container})) {
        QStringList arguments = part.pieces.arguments();
        for (int at = 0; at + 1 < arguments.size(); ++at) {
            if (arguments.at(at) == QLatin1String("-map_metadata") ||
                arguments.at(at) == QLatin1String("-map_chapters"))
                arguments[at + 1] = QStringLiteral("1");
        }
        join.append(part.role, words(arguments));
    }
    join.append(CommandRole::Other, words(kept.outputOptions));
    join.append(partsOf({CommandRole::Output, CommandRole::Threads}));
    EncoderPass pass;
    pass.title = tr("joins them");
    pass.command = join;
    pass.readsSource = false;
    pass.inputList = piece("joint.ffconcat");
    pass.inputListContent = concatList(pieces);
    pass.weight = 0.1;
    return pass;
}

QList<EncoderPass> ExactCutPlan::outline(Outline &at) const
{
    ExactCutPlan plan(m_context, m_exact);
    plan.m_command = at.command;
    QList<EncoderPass> passes{plan.headPass()};
    passes.front().decidedBy = at.rule;
    if (copiesABody())
        passes << plan.bodyPass();
    passes << plan.soundPass() << plan.joinPass();
    return passes;
}

std::optional<int> ExactCutPlan::picturesAgain() const
{
    const StreamFacts *picture = m_context.facts ? m_context.facts->picture() : nullptr;
    const std::optional<double> rate = picture ? picture->framesPerSecond() : std::nullopt;
    if (!rate || *rate <= 0)
        return std::nullopt;
    return int(std::lround((m_exact.joint - m_exact.start) * *rate));
}

QStringList ExactCutPlan::notes() const
{
    const std::optional<int> count = picturesAgain();
    const QString again =
        count ? tr("%1 pictures").arg(*count)
              : tr("%1 s of pictures").arg(numberText(m_exact.joint - m_exact.start));
    if (!copiesABody())
        return {tr("Exact start: the clip holds no key frame, so its %1 were encoded again "
                   "with the source's codec.")
                    .arg(again)};
    return {tr("Exact start: %1 up to the next key frame were encoded again with the source's "
               "codec; the rest was copied.")
                .arg(again)};
}

} // namespace vantrel
