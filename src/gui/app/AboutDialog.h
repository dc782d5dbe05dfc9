#pragma once

#include <QDialog>
#include <QPixmap>

namespace vantrel {

// The About window (object name Form6): static texts, the program's emblem
// and the version of the yt-dlp in use. No buttons; it closes with the title
// bar's close box or Escape and changes nothing else.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // `ytDlpProgram`: the yt-dlp asked for its version.
    explicit AboutDialog(const QString &ytDlpProgram, QWidget *parent = nullptr);

    // The emblem shown beside the texts: a film strip turning into an arrow,
    // drawn at `size` × `size` logical pixels for `devicePixelRatio`.
    static QPixmap emblem(int size, qreal devicePixelRatio = 1.0);
};

} // namespace vantrel
