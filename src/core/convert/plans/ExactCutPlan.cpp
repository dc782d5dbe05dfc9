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
// A seek to a key frame is rounded up, so that it never lands on the key
// frame before.
QString seekText(double seconds)
{
    return QString::number(std::ceil(seconds * 1000) / 1000, 'f', 3);
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
    : m_context(std::move(context)), m_exact(std::move(exact)),
      m_kept(m_context.facts ? adaptToSource(*m_context.facts, m_context.job) : RunAdaptation())
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

CommandLine ExactCutPlan::pictureMap() const
{
    return words({QStringLiteral("-map"), QStringLiteral("0:%1").arg(m_exact.picture)});
}

QString ExactCutPlan::soundPiece() const
{
    return piece("sound") + m_context.job.outputExtension;
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
    m_passes = passes();
    m_at = 0;
    return PassStep::run(m_passes.first());
}

PassStep ExactCutPlan::next(const PassOutcome &)
{
    if (++m_at < m_passes.size())
        return PassStep::run(m_passes.at(m_at));
    return PassStep::done();
}

QList<EncoderPass> ExactCutPlan::passes() const
{
    QList<EncoderPass> passes;
    if (encodesHead())
        passes << encodedPass(m_exact.keyFrameBefore, m_exact.start, m_exact.joint, "head.ts",
                              tr("encodes the pictures before the first key frame again"));
    if (copiesABody())
        passes << bodyPass();
    if (m_exact.tail)
        passes << encodedPass(m_exact.tailKeyFrame, *m_exact.tail, m_exact.end, "tail.ts",
                              tr("encodes the pictures after the last key frame again"));
    passes << soundPass() << joinPass();
    return passes;
}

bool ExactCutPlan::encodesHead() const
{
    // A start a few milliseconds before a key frame holds no picture before it.
    const std::optional<int> count = pictures(m_exact.start, m_exact.joint);
    return count ? *count > 0 : m_exact.joint - m_exact.start > 0.001;
}

bool ExactCutPlan::copiesABody() const
{
    // Key frames a few milliseconds apart from the ends hold no picture between.
    const double to = m_exact.tail.value_or(m_exact.end);
    const std::optional<int> count = pictures(m_exact.joint, to);
    return count ? *count > 0 : to - m_exact.joint > 0.001;
}

EncoderPass ExactCutPlan::encodedPass(double keyFrame, double from, double to, const char *name,
                                      const QString &title) const
{
    // The encoder decodes from before the key frame and keeps the pictures
    // from `from` on, as many as stand before `to`.
    EncoderCommand head;
    head.append(partsOf({CommandRole::Program}));
    const double readAt = readFrom(keyFrame);
    head.append(CommandRole::Input,
                inputOf({QStringLiteral("-ss"), secondsText(readAt)}, m_context.job.sourcePath));
    head.append(CommandRole::Maps, pictureMap());
    // The pictures before the start go in the filter, which puts the first
    // one kept at 0, as the pieces after it expect.
    head.append(CommandRole::Other,
                words({QStringLiteral("-vf"), QStringLiteral("trim=start=%1,setpts=PTS-STARTPTS")
                                                  .arg(secondsText(from - readAt))}));
    head.append(CommandRole::VideoCodec,
                words(m_exact.encoder +
                      QStringList{QStringLiteral("-fps_mode"), QStringLiteral("passthrough")}));
    head.append(CommandRole::Other,
                words({QStringLiteral("-an"), QStringLiteral("-sn"), QStringLiteral("-dn")}));
    // As many pictures as stand before the joint: a length would round on
    // timestamps that some containers shift by a few milliseconds.
    const std::optional<int> count = pictures(from, to);
    head.append(CommandRole::Clip,
                count ? words({QStringLiteral("-frames:v"), QString::number(*count)})
                      : words({QStringLiteral("-t"), secondsText(to - from)}));
    head.append(CommandRole::Container, words({QStringLiteral("-f"), QStringLiteral("mpegts")}));
    head.append(partsOf({CommandRole::Statistics})); // its progress, as it encodes
    return piecePass(std::move(head), piece(name), title, 1, 0.5);
}

EncoderPass ExactCutPlan::bodyPass() const
{
    // After pictures encoded again, a copy read from before the key frame
    // before the joint, dropping the packets before halfway to the joint,
    // and then those that are no key frame until one comes: it begins on
    // the joint's key frame whatever the container's seek lands on (a seek
    // goes by an index that may be coarse, a copy's output seek by decoding
    // times, which B-frames put earlier). A clip that starts on a key frame
    // is read from it. Before a tail it ends by its count of pictures, which
    // in decoding order are those shown before the tail's.
    EncoderCommand body;
    body.append(partsOf({CommandRole::Program}));
    const bool afterHead = encodesHead();
    const double from = afterHead ? readFrom(m_exact.keyFrameBefore) : m_exact.jointKeyFrame;
    const double halfway =
        afterHead ? (m_exact.keyFrameBefore + m_exact.jointKeyFrame) / 2 : m_exact.jointKeyFrame;
    body.append(CommandRole::Input,
                inputOf({QStringLiteral("-ss"), afterHead ? secondsText(from) : seekText(from),
                         QStringLiteral("-fflags"), QStringLiteral("+genpts")},
                        m_context.job.sourcePath));
    body.append(CommandRole::Maps, pictureMap());
    body.append(CommandRole::Other, words({QStringLiteral("-c"), QStringLiteral("copy")}));
    QStringList clip;
    if (afterHead)
        clip << QStringLiteral("-ss") << secondsText(halfway - from);
    const std::optional<int> count =
        m_exact.tail || m_exact.endCounted
            ? pictures(m_exact.joint, m_exact.tail.value_or(m_exact.end))
            : std::nullopt;
    if (count)
        clip << QStringLiteral("-frames:v") << QString::number(*count);
    else
        clip << QStringLiteral("-t") << secondsText(m_exact.tail.value_or(m_exact.end) - halfway);
    body.append(CommandRole::Clip, words(clip));
    body.append(CommandRole::Container, words({QStringLiteral("-f"), QStringLiteral("mpegts")}));
    return piecePass(std::move(body), piece("body.ts"),
                     tr("copies the pictures between the key frames"), 0.25, 0.25);
}

QStringList ExactCutPlan::keptStreams() const
{
    // Every stream the copy keeps but the picture, in the copy's order.
    QStringList taken = m_kept.streams.value_or(QStringList());
    if (!m_kept.streams) {
        // The row's own maps but its pictures': the sound, subtitles and
        // attachments its container holds.
        const QStringList maps = m_command.argumentsOf(CommandRole::Maps);
        for (int at = 1; at < maps.size(); at += 2) {
            if (!maps.at(at).startsWith(QLatin1String("0:v"), Qt::CaseInsensitive))
                taken << maps.at(at);
        }
    }
    QStringList streams;
    for (const QString &stream : std::as_const(taken)) {
        if (stream != QStringLiteral("0:%1").arg(m_exact.picture))
            streams << stream;
    }
    return streams;
}

EncoderPass ExactCutPlan::soundPass() const
{
    // The sound and subtitles from the very start: a copy's output seek
    // drops the packets before it, which for sound is every frame before.
    // The piece is the row's own copy without its picture, in its container,
    // so that it holds what the output holds (MP4's own subtitles).
    const double from = std::max(0.0, m_exact.start - kReadAhead);
    EncoderCommand sound;
    sound.append(partsOf({CommandRole::Program}));
    sound.append(CommandRole::Input,
                 inputOf({QStringLiteral("-ss"), secondsText(from)}, m_context.job.sourcePath));
    QStringList maps;
    for (const QString &stream : keptStreams())
        maps << QStringLiteral("-map") << stream;
    sound.append(CommandRole::Maps, words(maps));
    sound.append(partsOf({CommandRole::Other, CommandRole::Container}));
    sound.append(CommandRole::Clip,
                 words({QStringLiteral("-ss"), secondsText(m_exact.start - from),
                        QStringLiteral("-t"), secondsText(m_exact.end - m_exact.start)}));
    return piecePass(std::move(sound), soundPiece(),
                     tr("copies the sound and subtitles from the start"), 0.1, 0.25);
}

EncoderPass ExactCutPlan::piecePass(EncoderCommand command, const QString &path,
                                    const QString &title, double weight, double weightAfter) const
{
    CommandLine output = CommandLine::literal(" ");
    output.appendPath(path);
    command.append(CommandRole::Output, output);
    command.append(partsOf({CommandRole::Threads}));
    EncoderPass pass;
    pass.title = title;
    pass.command = std::move(command);
    pass.writesOutput = false; // a piece, not the row's output
    pass.readsSource = false;  // its maps and options are its own
    pass.weight = weight;
    pass.weightAfter = weightAfter;
    return pass;
}

EncoderPass ExactCutPlan::joinPass() const
{
    // The picture from the pieces, every other stream from the sound's
    // piece, each in its place among its kind.
    QStringList pieces;
    if (encodesHead())
        pieces << piece("head.ts");
    if (copiesABody())
        pieces << piece("body.ts");
    if (m_exact.tail)
        pieces << piece("tail.ts");
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
    input.append(inputOf({}, soundPiece()));
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
    join.append(CommandRole::Other, words(m_kept.outputOptions));
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
    QList<EncoderPass> passes = plan.passes();
    passes.front().decidedBy = at.rule;
    return passes;
}

std::optional<int> ExactCutPlan::pictures(double from, double to) const
{
    const StreamFacts *picture = m_context.facts ? m_context.facts->picture() : nullptr;
    const std::optional<double> rate = picture ? picture->framesPerSecond() : std::nullopt;
    if (!rate || *rate <= 0)
        return std::nullopt;
    // The pictures stand on one grid, which a key frame's time gives (a
    // container may shift it by some milliseconds): those from `from` on and
    // before `to` are counted, with a slack for times rounded to milliseconds.
    const double grid = m_exact.tail ? *m_exact.tail
                        : m_exact.joint < m_exact.end && m_exact.joint > m_exact.start
                            ? m_exact.joint
                            : m_exact.keyFrameBefore;
    constexpr double kSlack = 0.01; // of a picture
    const auto index = [&](double seconds) {
        return std::ceil((seconds - grid) * *rate - kSlack);
    };
    return int(std::max(0.0, index(to) - index(from)));
}

QString ExactCutPlan::picturesText(double from, double to) const
{
    const std::optional<int> count = pictures(from, to);
    return count ? tr("%1 pictures").arg(*count)
                 : tr("%1 s of pictures").arg(numberText(to - from));
}

QStringList ExactCutPlan::notes() const
{
    if (!copiesABody())
        return {tr("Exact cut: the clip's %1 were encoded again with the source's codec, as no "
                   "whole group of pictures lies within it.")
                    .arg(picturesText(m_exact.start, m_exact.end))};
    QStringList parts;
    if (encodesHead())
        parts << tr("%1 up to the first key frame").arg(picturesText(m_exact.start, m_exact.joint));
    if (m_exact.tail)
        parts << tr("%1 after the last").arg(picturesText(*m_exact.tail, m_exact.end));
    if (parts.isEmpty())
        return {}; // copied from key frame to key frame, counted to its end
    return {tr("Exact cut: %1 were encoded again with the source's codec; the rest was copied.")
                .arg(parts.join(tr(" and ")))};
}

} // namespace vantrel
