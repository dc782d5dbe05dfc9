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

bool needsEncoderList(const CommandLine &command)
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

// Where the output's own options end: the output path stands right before
// "-threads N" in every shape.
qsizetype outputPathIndex(const QStringList &args)
{
    const qsizetype threads = args.lastIndexOf(QStringLiteral("-threads"));
    return threads >= 1 ? threads - 1 : args.size() - 1;
}

void adapt(QStringList &args, const RunAdaptation &adaptation)
{
    if (adaptation.streams) {
        qsizetype at = -1;
        for (qsizetype i = args.indexOf(QStringLiteral("-map")); i >= 0 && i + 1 < args.size();
             i = args.indexOf(QStringLiteral("-map"), i)) {
            args.remove(i, 2);
            if (at < 0)
                at = i;
        }
        if (at < 0)
            at = args.indexOf(QStringLiteral("-i")) + 2; // after the source
        for (auto it = adaptation.streams->crbegin(); it != adaptation.streams->crend(); ++it) {
            args.insert(at, *it);
            args.insert(at, QStringLiteral("-map"));
        }
    }
    if (!adaptation.filtersBefore.isEmpty()) {
        const QString before = adaptation.filtersBefore.join(u',');
        const qsizetype filter = args.indexOf(QStringLiteral("-vf"));
        if (filter >= 0 && filter + 1 < args.size()) {
            args[filter + 1] = before + u',' + args[filter + 1];
        } else {
            const qsizetype out = outputPathIndex(args);
            args.insert(out, before);
            args.insert(out, QStringLiteral("-vf"));
        }
    }
    for (qsizetype i = 0; i < adaptation.outputOptions.size(); ++i)
        args.insert(outputPathIndex(args), adaptation.outputOptions.at(i));
}

} // namespace

QStringList encoderRunArguments(const CommandLine &command, ExistingFilePolicy policy,
                                const QSet<QString> &available, bool wholeFile,
                                const RunAdaptation &adaptation)
{
    QStringList args = command.arguments();
    if (!args.isEmpty())
        args.removeFirst(); // the program

    if (wholeFile) {
        for (const QLatin1String option : {QLatin1String("-ss"), QLatin1String("-t")}) {
            const qsizetype at = args.indexOf(option);
            if (at >= 0 && at + 1 < args.size())
                args.remove(at, 2);
        }
    }

    if (!available.isEmpty()) {
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i - 1] != QLatin1String("-acodec") && args[i - 1] != QLatin1String("-vcodec"))
                continue;
            for (const CodecReplacement &r : kReplacements) {
                if (args[i] == QLatin1String(r.wanted) && !available.contains(args[i]) &&
                    available.contains(QLatin1String(r.equivalent)))
                    args[i] = QLatin1String(r.equivalent);
            }
        }
    }

    // "-b" meant the video bitrate; the installed encoder refuses it as
    // ambiguous between video and audio.
    for (QString &arg : args) {
        if (arg == QLatin1String("-b"))
            arg = QStringLiteral("-b:v");
    }

    // "-s WxH" alone would stretch the picture to the frame (today's commands
    // fit it themselves).
    const qsizetype size = args.lastIndexOf(QStringLiteral("-s"));
    if (size >= 0 && size + 1 < args.size() && !args.contains(QStringLiteral("-vf"))) {
        const qsizetype aspect = args.lastIndexOf(QStringLiteral("-aspect"));
        if (const std::optional<QSize> frame = frameSizeOf(args[size + 1])) {
            args.insert(size + 2,
                        pictureFitFilter(frame->width(), frame->height(),
                                         aspect >= 0 ? args.value(aspect + 1) : QString()));
            args.insert(size + 2, QStringLiteral("-vf"));
        }
    }

    adapt(args, adaptation);

    // Behind a filter the last picture lasts one frame's time; at a constant
    // rate the fps filter fills the time the source holds it.
    const qsizetype filter = args.indexOf(QStringLiteral("-vf"));
    const qsizetype rate = args.lastIndexOf(QStringLiteral("-r"));
    const QString constantRate =
        rate >= 0 && rate + 1 < args.size() ? args.at(rate + 1) : adaptation.constantRate;
    if (filter >= 0 && filter + 1 < args.size() && !constantRate.isEmpty())
        args[filter + 1] += QStringLiteral(",fps=") + constantRate;

    // The output path stands right before "-threads N" in every shape.
    const qsizetype threads = args.lastIndexOf(QStringLiteral("-threads"));
    if (threads >= 1 && threads + 1 < args.size()) {
        const QString count = args.takeAt(threads + 1);
        args.removeAt(threads);
        args.insert(threads - 1, count);
        args.insert(threads - 1, QStringLiteral("-threads"));
    }

    args.prepend(policy == ExistingFilePolicy::AddNew ? QStringLiteral("-n")
                                                      : QStringLiteral("-y"));
    args.prepend(QStringLiteral("-hide_banner")); // the messages kept for a row are its own
    return args;
}

} // namespace vantrel
