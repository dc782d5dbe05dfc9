#pragma once

#include "core/tools/Process.h"
#include "core/tools/SourceFacts.h"
#include "core/tools/ToolLocator.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <optional>

namespace vantrel {

// Learns a source's facts in the background: ffprobe reads the head of the
// file, then (for a conversion) the picture's last packets, and, when the
// picture's stream cannot tell whether it is interlaced, a short idet pass
// counts its fields. Each tool has a time limit and its
// answer a size limit, so a hostile file cannot hold a conversion up; what
// cannot be learnt is simply not known (`facts()` none, or no field count),
// and the caller goes on as it would without.
class SourceAnalysis : public QObject
{
    Q_OBJECT

public:
    enum class Depth
    {
        Header,  // the streams and the length as the header tells them
        Streams, // also each stream's packets at the head
        Picture  // also how long the last picture is held, and the field count
    };
    static constexpr int kProbeLimitMs = 10000;
    static constexpr int kFieldCountLimitMs = 15000;

    explicit SourceAnalysis(QString probePath = ToolLocator::mediaInfo(),
                            QString encoderPath = ToolLocator::encoder(),
                            QObject *parent = nullptr);
    // Ends the tools still running; no `finished` comes.
    ~SourceAnalysis() override;

    // Analyses `path`; `finished` follows, never before this returns. A
    // running analysis is given up first.
    void start(const QString &path, Depth depth);
    // Gives the analysis up; no `finished` comes.
    void stop();
    bool isRunning() const { return m_running; }

    // What the last analysis learnt; none when nothing could be read.
    const std::optional<SourceFacts> &facts() const { return m_facts; }

Q_SIGNALS:
    void finished();

private:
    void onProbeEnded(const ProcessResult &result);
    void onLastPacketsEnded(const ProcessResult &result);
    void countFields();
    void onFieldCountEnded(const ProcessResult &result);
    void end();

    QString m_probePath;
    QString m_encoderPath;
    Process m_probe;
    Process m_lastPackets;
    Process m_fieldCount;
    QTimer m_limit;
    QByteArray m_answer;
    bool m_tooLong = false; // the answer passed its size limit
    QString m_path;
    Depth m_depth = Depth::Header;
    bool m_running = false;
    std::optional<SourceFacts> m_facts;
};

} // namespace vantrel
