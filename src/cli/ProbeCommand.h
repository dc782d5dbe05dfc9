#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class QTextStream;

namespace vantrel {
class MediaProbe;
class SourceList;
class SourceReading;
struct SourceFacts;
} // namespace vantrel

namespace vantrel::cli {

// `vantrel-cli probe FILE...`: probes the files in parallel through a source
// list and prints one line per file, in the order given:
// path<TAB>start<TAB>end<TAB>size<TAB>format<TAB>video time; with --tracks,
// each file's streams follow it, read by ffprobe, one line each:
// track<TAB>index<TAB>kind<TAB>codec<TAB>language<TAB>size or channels<TAB>title<TAB>flags.
//
// The probes need the event loop: `start` either ends the command at once
// (help, usage errors) and returns its exit code, or starts the probes and
// returns nothing; `finished` then follows from the event loop.
class ProbeCommand : public QObject
{
    Q_OBJECT

public:
    ProbeCommand(QTextStream &out, QTextStream &err, QObject *parent = nullptr);
    ~ProbeCommand() override;

    // `args` are the command's arguments without the program name and "probe".
    std::optional<int> start(const QStringList &args);

Q_SIGNALS:
    void finished(int exitCode);

private:
    void report();
    // Reads the next file's streams; `report` follows when all are read.
    void readTracks();
    void printTracks(const SourceFacts &facts);

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_playerNamed = false; // --player was given
    std::unique_ptr<MediaProbe> m_probe;
    std::unique_ptr<SourceList> m_list;
    bool m_tracksWanted = false;
    std::unique_ptr<SourceReading> m_reading;
    QList<std::optional<SourceFacts>> m_tracks; // per file, in the list's order
};

} // namespace vantrel::cli
