#include "core/tools/ToolVersion.h"

#include "core/tools/CommandLine.h"
#include "core/tools/Process.h"

#include <QRegularExpression>
#include <QTimer>

namespace vantrel {

namespace {

constexpr int kAnswerMs = 10000;
// The first line is what counts; the rest (the player's usage, the encoder's
// build options) may run to some kilobytes.
constexpr qsizetype kOutputChars = 64 * 1024;
constexpr qsizetype kLongestVersion = 40;

QString firstMatch(const QRegularExpression &pattern, const QString &output)
{
    const QString version = pattern.match(output).captured(1);
    return version.size() <= kLongestVersion ? version : QString();
}

} // namespace

QString ffmpegVersion(const QString &output)
{
    static const QRegularExpression line(QStringLiteral("^ffmpeg version (\\S+)"),
                                         QRegularExpression::MultilineOption);
    return firstMatch(line, output);
}

QString mplayerVersion(const QString &output)
{
    static const QRegularExpression line(QStringLiteral("^MPlayer (\\S+) \\(C\\)"),
                                         QRegularExpression::MultilineOption);
    return firstMatch(line, output);
}

void queryToolVersion(const QString &program, const QStringList &arguments,
                      const std::function<QString(const QString &)> &parse, QObject *context,
                      const std::function<void(const QString &)> &done)
{
    auto *process = new Process(context);
    process->setOutputLimit(kOutputChars);
    auto *deadline = new QTimer(process);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, process, &Process::stop);
    QObject::connect(
        process, &Process::finished, context, [process, parse, done](const ProcessResult &result) {
            const QString version = result.succeeded() ? parse(process->output()) : QString();
            process->deleteLater();
            done(version);
        });
    deadline->start(kAnswerMs);
    process->start(CommandLine::program(program), arguments);
}

void queryEncoderVersion(const QString &program, QObject *context,
                         const std::function<void(const QString &)> &done)
{
    queryToolVersion(program, {QStringLiteral("-version")}, &ffmpegVersion, context, done);
}

void queryPlayerVersion(const QString &program, QObject *context,
                        const std::function<void(const QString &)> &done)
{
    // Without a file it states its version and usage, and ends.
    queryToolVersion(program, {QStringLiteral("-noconfig"), QStringLiteral("all")}, &mplayerVersion,
                     context, done);
}

} // namespace vantrel
