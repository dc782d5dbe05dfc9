#pragma once

#include <QDialog>
#include <QPixmap>

namespace vantrel {

// The About window (object name Form6): static texts, the program's emblem,
// its version and the versions of the tools it drives (FFmpeg, MPlayer,
// yt-dlp), each asked of the tool without waiting and shown as it answers. No
// buttons; it closes with the title bar's close box or Escape and changes
// nothing else.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // The tools asked for their versions.
    struct Tools
    {
        QString encoder;
        QString player;
        QString ytDlp;
    };

    explicit AboutDialog(const Tools &tools, QWidget *parent = nullptr);

    // The emblem shown beside the texts: a film strip turning into an arrow,
    // drawn at `size` × `size` logical pixels for `devicePixelRatio`.
    static QPixmap emblem(int size, qreal devicePixelRatio = 1.0);
};

} // namespace vantrel
