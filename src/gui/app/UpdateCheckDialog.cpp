#include "gui/app/UpdateCheckDialog.h"

#include "core/download/YtDlpAge.h"
#include "core/download/YtDlpRun.h"
#include "core/tools/ToolVersion.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QLabel *line(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

UpdateCheckDialog::UpdateCheckDialog(const Tools &tools, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("checkUpdates"));
    setWindowTitle(tr("Check for Updates"));
    QLabel *program = line(tr("Vantrel Video Converter %1, updated with your system's packages.")
                               .arg(QStringLiteral(VANTREL_VERSION)),
                           "lblProgram", this);
    QLabel *ffmpeg = line(tr("FFmpeg: asking..."), "lblFfmpeg", this);
    queryEncoderVersion(tools.encoder, ffmpeg, [ffmpeg](const QString &version) {
        ffmpeg->setText(version.isEmpty() ? tr("FFmpeg: not found (sudo apt-get install ffmpeg).")
                                          : tr("FFmpeg %1.").arg(version));
    });
    QLabel *mplayer = line(tr("MPlayer: asking..."), "lblMPlayer", this);
    queryPlayerVersion(tools.player, mplayer, [mplayer](const QString &version) {
        mplayer->setText(version.isEmpty()
                             ? tr("MPlayer: not found (sudo apt-get install mplayer).")
                             : tr("MPlayer %1.").arg(version));
    });
    QLabel *ytDlp = line(tr("yt-dlp: asking..."), "lblYtDlp", this);
    queryYtDlpVersion(tools.ytDlp, ytDlp, [ytDlp, path = tools.ytDlp](const QString &version) {
        ytDlp->setText(ytDlpAdvice(version, path, QDate::currentDate()));
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    for (QLabel *label : {program, ffmpeg, mplayer, ytDlp})
        layout->addWidget(label);
    layout->addStretch(1);
    layout->addWidget(buttons);
    resize(520, 260);
}

} // namespace vantrel
