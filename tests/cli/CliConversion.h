#pragma once

#include "MediaClips.h"
#include "TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

// One source converted by vantrel-cli into a folder of its own, with `set`
// in the option sheet and `options` beside: what the record line and the
// lines under it say.
struct ConvertedRow
{
    QString status;
    QString output;
    QString detail; // the row's reason or notes
};

inline ConvertedRow convertOne(MediaClips &clips, int entry, const QString &source,
                               const QStringList &set = {}, const QStringList &options = {})
{
    static int run = 0;
    QStringList args = {qs("convert"), qs("--profile"), QString::number(entry), qs("--output-dir"),
                        clips.path(QStringLiteral("out%1").arg(++run))};
    for (const QString &item : set)
        args << qs("--set") << item;
    args << options;
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(qs("VANTREL_DATA_DIR"), clips.path(qs("data")));
    cli.setProcessEnvironment(env);
    cli.start(qs(VANTREL_CLI_PATH), args + QStringList{qs("--"), source});
    EXPECT_TRUE(cli.waitForFinished(180000));
    const QString record = QString::fromUtf8(cli.readAllStandardOutput());
    const QString first = record.section(u'\n', 0, 0);
    return {first.section(u'\t', 0, 0), first.section(u'\t', 2, 2), record.section(u'\n', 1)};
}

// What ffprobe tells of a file: its format, streams and chapters, as JSON.
inline QJsonObject probe(const QString &path)
{
    QProcess ffprobe;
    ffprobe.start(qs("ffprobe"), {qs("-v"), qs("error"), qs("-show_format"), qs("-show_streams"),
                                  qs("-show_chapters"), qs("-of"), qs("json"), path});
    ffprobe.waitForFinished(30000);
    return QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
}
