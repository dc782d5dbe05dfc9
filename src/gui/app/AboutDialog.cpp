#include "gui/app/AboutDialog.h"

#include "core/download/YtDlpRun.h"
#include "core/tools/ToolVersion.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kEmblemSize = 96;

QLabel *textLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

AboutDialog::AboutDialog(const Tools &tools, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(tr("About"));
    setModal(true);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(emblem(kEmblemSize, devicePixelRatioF()));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    QLabel *thanks = textLabel(tr("Thank you for using Vantrel Video Converter"), this);
    QFont thanksFont = thanks->font();
    thanksFont.setBold(true);
    thanksFont.setPointSizeF(thanksFont.pointSizeF() * 1.25);
    thanks->setFont(thanksFont);

    QLabel *credits =
        textLabel(tr("This product includes software developed by the MPlayer Project.\n"
                     "\n"
                     "This product includes software developed by the FFMpeg Project."),
                  this);
    QLabel *licences =
        textLabel(tr("MPlayer is licensed under the GUN General Public License Version 2.\n"
                     "FFmpeg is licensed under the GUN General Public License."),
                  this);

    QLabel *version = textLabel(tr("Version %1").arg(QStringLiteral(VANTREL_VERSION)), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    // Which tools do the work: each asked, each shown when it answers.
    QLabel *ffmpeg = textLabel(tr("FFmpeg: asking..."), this);
    ffmpeg->setObjectName(QStringLiteral("lblFfmpeg"));
    queryEncoderVersion(tools.encoder, ffmpeg, [ffmpeg](const QString &version) {
        ffmpeg->setText(version.isEmpty() ? tr("FFmpeg: not found; nothing can be converted "
                                               "(sudo apt-get install ffmpeg)")
                                          : tr("FFmpeg %1 converts the files.").arg(version));
    });
    QLabel *mplayer = textLabel(tr("MPlayer: asking..."), this);
    mplayer->setObjectName(QStringLiteral("lblMPlayer"));
    queryPlayerVersion(tools.player, mplayer, [mplayer](const QString &version) {
        mplayer->setText(version.isEmpty()
                             ? tr("MPlayer: not found; files can be neither read nor played "
                                  "(sudo apt-get install mplayer)")
                             : tr("MPlayer %1 reads and plays the files.").arg(version));
    });
    QLabel *ytDlp = textLabel(tr("yt-dlp: asking..."), this);
    ytDlp->setObjectName(QStringLiteral("lblYtDlp"));
    queryYtDlpVersion(tools.ytDlp, ytDlp, [ytDlp](const QString &version) {
        ytDlp->setText(version.isEmpty() ? tr("yt-dlp: not found; today's web pages cannot be read "
                                              "(sudo apt-get install yt-dlp)")
                                         : tr("yt-dlp %1 reads today's web pages.").arg(version));
    });

    auto *texts = new QVBoxLayout;
    texts->addWidget(thanks);
    texts->addWidget(version);
    texts->addSpacing(12);
    texts->addWidget(credits);
    texts->addSpacing(12);
    texts->addWidget(licences);
    texts->addSpacing(12);
    texts->addWidget(ffmpeg);
    texts->addWidget(mplayer);
    texts->addWidget(ytDlp);
    texts->addStretch(1);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(18, 18, 24, 18);
    row->setSpacing(18);
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->setSizeConstraint(QLayout::SetFixedSize);
}

QPixmap AboutDialog::emblem(int size, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 96.0, size / 96.0); // drawn on a 96 × 96 grid

    // Round badge.
    QLinearGradient badge(0, 0, 0, 96);
    badge.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    badge.setColorAt(1, QColor(0x1c, 0x3f, 0x7a));
    painter.setPen(QPen(QColor(0x12, 0x2a, 0x52), 2));
    painter.setBrush(badge);
    painter.drawEllipse(QRectF(3, 3, 90, 90));

    // Film strip, tilted, with its sprocket holes and three frames.
    painter.save();
    painter.translate(35, 50);
    painter.rotate(-12);
    const QRectF strip(-30, -18, 48, 36);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1b, 0x1b, 0x1f));
    painter.drawRoundedRect(strip, 3, 3);
    painter.setBrush(QColor(0xf2, 0xf2, 0xf2));
    for (int i = 0; i < 6; ++i) {
        const qreal x = strip.left() + 3 + i * 7.8;
        painter.drawRect(QRectF(x, strip.top() + 2.5, 4, 4));
        painter.drawRect(QRectF(x, strip.bottom() - 6.5, 4, 4));
    }
    const QColor frames[] = {QColor(0xf6, 0xb2, 0x3e), QColor(0x7c, 0xcf, 0x6a),
                             QColor(0x5b, 0xc0, 0xeb)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(frames[i]);
        painter.drawRect(QRectF(strip.left() + 3 + i * 15, -9, 12, 18));
    }
    painter.restore();

    // Arrow out of the strip: the converted result.
    QPainterPath arrow;
    arrow.moveTo(55, 42);
    arrow.lineTo(68, 42);
    arrow.lineTo(68, 32);
    arrow.lineTo(86, 50);
    arrow.lineTo(68, 68);
    arrow.lineTo(68, 58);
    arrow.lineTo(55, 58);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(0x8a, 0x4b, 0x00), 1.5));
    QLinearGradient arrowFill(55, 32, 55, 68);
    arrowFill.setColorAt(0, QColor(0xff, 0xd5, 0x4f));
    arrowFill.setColorAt(1, QColor(0xff, 0x98, 0x1a));
    painter.setBrush(arrowFill);
    painter.drawPath(arrow);
    return pixmap;
}

} // namespace vantrel
