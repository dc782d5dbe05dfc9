#pragma once

#include "core/tools/SourceReading.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

namespace vantrel {

// The turn a file's picture needs to stand upright, for the player, which
// cannot read it itself: read once per file from its header (ffprobe) and
// remembered. Only local files are read; a stream address is taken as
// upright.
class PictureRotation : public QObject
{
    Q_OBJECT

public:
    // A preview does not wait longer than this for the answer.
    static constexpr int kLongestWaitMs = 2000;

    explicit PictureRotation(QString probePath = ToolLocator::mediaInfo(),
                             QObject *parent = nullptr);

    // Calls `answer` with the clockwise degrees (0, 90, 180 or 270): at
    // once when known, else once read (0 when the file cannot be read in
    // time). A later look-up, or `forget`, drops one still waiting: its
    // answer never comes.
    void lookUp(const QString &file, std::function<void(int)> answer);
    void forget();
    // Whether the picture of a file looked up is HDR (PQ or HLG), which
    // the player shows without its range.
    bool isHdr(const QString &file) const { return m_hdr.contains(file); }

private:
    void answer(int rotation);

    SourceReading m_analysis;
    QTimer m_wait;
    QHash<QString, int> m_known;
    QSet<QString> m_hdr;
    QString m_file;
    std::function<void(int)> m_answer;
};

} // namespace vantrel
