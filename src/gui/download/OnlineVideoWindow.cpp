#include "gui/download/OnlineVideoWindow.h"

#include "core/common/TimeText.h"
#include "core/download/OnlineVideoController.h"
#include "core/preview/PreviewController.h"
#include "gui/app/ElidedLabel.h"
#include "gui/app/Named.h"
#include "gui/app/Pictures.h"
#include "gui/preview/PreviewPanel.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace vantrel {

namespace {

// The window's size and the preview panel's, as the original measured them
// in twips (15 to a pixel).
constexpr QSize kWindowSize(7170 / 15, 4845 / 15);
constexpr QSize kPreviewSize(6735 / 15, 4095 / 15);
constexpr QPoint kPreviewAtButton(300 / 15, 450 / 15);
constexpr QPoint kPreviewAtQuestion(240 / 15, 120 / 15);
constexpr QSize kPictureSize(120, 90);

struct StreamButton
{
    int format;
    const char *name;
};

constexpr StreamButton kStreamButtons[] = {
    {22, "getMp4"},
    {34, "getHDH"},
    {35, "getHDL"},
    {5, "getFlv"},
};

// A label that shows one value of the page; a long one is cut with "…"
// rather than widening the window, and shown whole in its tip.
QLabel *valueLabel(const char *name, QWidget *parent)
{
    return named(new ElidedLabel(parent), name);
}

} // namespace

OnlineVideoWindow::OnlineVideoWindow(OnlineVideoController &controller,
                                     std::unique_ptr<PreviewController> preview, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_controller(controller),
      m_preview(std::move(preview)), m_askDownload(&OnlineVideoWindow::askDownloadWithDialog)
{
    setObjectName(QStringLiteral("Formyutobe"));
    setWindowTitle(tr("Import Video From Youtube"));
    setModal(true);
    buildControls();
    buildPreviewPanel();
    resize(kWindowSize);

    connect(m_address, &QLineEdit::textEdited, &m_controller,
            &OnlineVideoController::addressChanged);
    connect(m_get, &QPushButton::clicked, this,
            [this] { m_controller.getDirectLink(m_address->text()); });
    connect(&m_controller, &OnlineVideoController::getEnabledChanged, m_get,
            &QPushButton::setEnabled);
    connect(&m_controller, &OnlineVideoController::statusTextChanged, m_status, &QLabel::setText);
    connect(&m_controller, &OnlineVideoController::pageRead, this, &OnlineVideoWindow::showPage);
    connect(&m_controller, &OnlineVideoController::thumbnailChanged, this,
            &OnlineVideoWindow::showThumbnail);
    connect(&m_controller, &OnlineVideoController::downloadProgress, this,
            [this](std::optional<int> percent, const QString &text) {
                m_progressText->setText(text);
                m_progress->setRange(0, percent ? 100 : 0); // busy bar without a length
                if (percent)
                    m_progress->setValue(*percent);
            });
    connect(&m_controller, &OnlineVideoController::downloadFinished, this, [this](bool ok) {
        m_cancel->setEnabled(false);
        m_progress->setRange(0, 100);
        if (!ok)
            m_progress->setValue(0);
        m_openFolder->setEnabled(!m_controller.downloadedFile().isEmpty());
        m_openFolder->setToolTip(m_controller.downloadedFile());
    });
}

OnlineVideoWindow::~OnlineVideoWindow() = default;

void OnlineVideoWindow::askDownloadWithDialog(QWidget *parent, YesNoAnswer done)
{
    askYesNo(parent, tr("Download/Play"),
             tr("Do you want Download or Play this video?") + QLatin1Char('\n') +
                 tr("Click yes to Download, No to Play"),
             std::move(done));
}

void OnlineVideoWindow::buildControls()
{
    m_address = named(new QLineEdit(QStringLiteral("http://www.youtube.com/watch?v=XXXXX"), this),
                      "txtWatchUrl");
    // A click into the box selects the whole address, ready to be replaced.
    m_address->installEventFilter(this);
    m_get = named(new QPushButton(tr("Get Direct Link"), this), "cmdG");
    m_get->setDefault(true);
    auto *close = named(new QPushButton(tr("X"), this), "cmdCLose");
    close->setFlat(true);
    // As wide as the style (and the skin's padding) needs, no wider.
    close->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    close->setToolTip(tr("Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    m_status = named(new ElidedLabel(this), "lblTitle");
    m_status->setText(tr("Status  "));
    m_picture = named(new QLabel(this), "picTitle");
    m_picture->setFixedSize(kPictureSize);
    m_picture->setScaledContents(true);
    showThumbnail(QString());

    m_title = valueLabel("lblTitle1", this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_author = valueLabel("lblAuthor", this);
    m_published = valueLabel("lblPublished", this);
    m_category = valueLabel("lblCat", this);
    m_length = valueLabel("lblDur", this);
    m_rating = valueLabel("lblRating", this);
    auto *details = new QFormLayout;
    details->setContentsMargins(0, 0, 0, 0);
    details->setVerticalSpacing(1);
    details->addRow(tr("Title:"), m_title);
    details->addRow(tr("Author:"), m_author);
    details->addRow(tr("Added:"), m_published);
    details->addRow(tr("Category:"), m_category);
    details->addRow(tr("Length:"), m_length);
    details->addRow(tr("Rating:"), m_rating);

    m_description = named(new QPlainTextEdit(this), "txtDesc");
    m_description->setReadOnly(true);

    auto *buttons = new QHBoxLayout;
    for (const StreamButton &b : kStreamButtons) {
        auto *button = named(new QPushButton(streamButtonCaption(b.format), this), b.name);
        button->setEnabled(false);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, b] { streamClicked(b.format); });
        buttons->addWidget(button);
    }
    m_previewButton = named(new QPushButton(tr("Preview"), this), "cmdPR");
    m_previewButton->setAutoDefault(false);
    connect(m_previewButton, &QPushButton::clicked, this, [this] {
        if (const std::optional<int> format = m_controller.previewFormat())
            previewStream(*format, kPreviewAtButton);
    });
    buttons->addWidget(m_previewButton);

    m_progressText = named(new QLabel(this), "Label2");
    m_progressText->setMinimumWidth(
        m_progressText->fontMetrics().horizontalAdvance(QStringLiteral("100 % ")));
    m_progress = named(new QProgressBar(this), "pbDownload");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    // Where the last download went, in the file browser.
    m_openFolder = named(new QPushButton(tr("Open Folder"), this), "cmdOpenFolder");
    m_openFolder->setAutoDefault(false);
    m_openFolder->setEnabled(false);
    connect(m_openFolder, &QPushButton::clicked, &m_controller,
            &OnlineVideoController::openDownloadFolder);
    m_cancel = named(new QPushButton(tr("Cancel"), this), "cmdCancel");
    m_cancel->setAutoDefault(false);
    m_cancel->setEnabled(false);
    m_cancel->setToolTip(tr("Stop the download; nothing of it is kept"));
    connect(m_cancel, &QPushButton::clicked, &m_controller, &OnlineVideoController::cancelDownload);

    auto *top = new QHBoxLayout;
    top->addWidget(m_address, 1);
    top->addWidget(m_get);
    top->addWidget(close);
    auto *middle = new QHBoxLayout;
    middle->addWidget(m_picture, 0, Qt::AlignTop);
    middle->addLayout(details, 1);
    auto *progress = new QHBoxLayout;
    progress->addWidget(m_progressText);
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_cancel);
    progress->addWidget(m_openFolder);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addWidget(m_status);
    layout->addLayout(middle);
    layout->addWidget(m_description, 1);
    layout->addLayout(buttons);
    layout->addLayout(progress);
}

void OnlineVideoWindow::buildPreviewPanel()
{
    m_previewPanel = named(new QFrame(this), "frmPR");
    static_cast<QFrame *>(m_previewPanel)->setFrameShape(QFrame::Panel);
    static_cast<QFrame *>(m_previewPanel)->setFrameShadow(QFrame::Raised);
    m_previewPanel->setAutoFillBackground(true);
    m_previewPanel->resize(kPreviewSize);
    m_surface = new VideoSurfaceWidget(m_previewPanel);
    connect(m_preview.get(), &PreviewController::playersEnded, m_surface,
            &VideoSurfaceWidget::showStartState);
    m_preview->setVideoSurface([surface = QPointer<QWidget>(m_surface)]() -> quint64 {
        return surface ? quint64(surface->winId()) : 0;
    });
    auto *hint =
        named(new QLabel(tr("Click and wait for video to Load..."), m_previewPanel), "Label8");
    auto *hide = named(new QPushButton(tr("X"), m_previewPanel), "Label6");
    hide->setFlat(true);
    hide->setToolTip(tr("Close the preview"));
    connect(hide, &QPushButton::clicked, this, &OnlineVideoWindow::hidePreview);
    auto *bar = new QHBoxLayout;
    bar->addWidget(hint, 1);
    bar->addWidget(hide);
    auto *layout = new QVBoxLayout(m_previewPanel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_surface, 1);
    m_previewPanel->hide();
}

QPushButton *OnlineVideoWindow::streamButton(int format) const
{
    for (const StreamButton &b : kStreamButtons) {
        if (b.format == format)
            return findChild<QPushButton *>(QLatin1String(b.name));
    }
    return nullptr;
}

QWidget *OnlineVideoWindow::videoSurface() const
{
    return m_surface;
}

void OnlineVideoWindow::showPage()
{
    const VideoPageInfo &info = m_controller.info();
    m_title->setText(info.title);
    m_description->setPlainText(info.description);
    m_category->setText(info.category);
    m_author->setText(info.author);
    m_length->setText(m_controller.lengthText());
    m_published->setText(info.published);
    m_rating->setText(info.rating);
    // The buttons the controller allows: for the old layouts, once enabled
    // they stay enabled while the window lives. Each tip tells what its
    // button brings, where the page says so.
    const QSet<int> enabled = m_controller.enabledFormats();
    for (const StreamButton &b : kStreamButtons) {
        QPushButton *button = streamButton(b.format);
        button->setEnabled(enabled.contains(b.format));
        button->setToolTip(m_controller.streamDescription(b.format));
    }
    m_previewButton->setEnabled(m_controller.previewFormat().has_value());
}

void OnlineVideoWindow::showThumbnail(const QString &file)
{
    const QPixmap picture(file);
    if (!picture.isNull())
        m_picture->setPixmap(picture);
    else if (m_controller.isPictureLoading())
        m_picture->setPixmap(Pictures::loadingPlaceholder(kPictureSize));
    else
        m_picture->setPixmap(Pictures::noPicturePlaceholder(kPictureSize));
}

void OnlineVideoWindow::streamClicked(int format)
{
    // The MP4 stream always downloads; the Flash-video streams may play.
    if (format == 22) {
        startDownload(format);
        return;
    }
    m_askDownload(this, [window = QPointer<OnlineVideoWindow>(this), format](bool download) {
        if (!window)
            return;
        if (download)
            window->startDownload(format);
        else
            window->previewStream(format, kPreviewAtQuestion);
    });
}

void OnlineVideoWindow::startDownload(int format)
{
    if (m_controller.download(format))
        m_cancel->setEnabled(m_controller.isDownloading());
}

void OnlineVideoWindow::previewStream(int format, const QPoint &position)
{
    const Expected<QString> address = m_controller.previewAddress(format);
    if (!address)
        return; // the status line says why
    m_previewPanel->move(position);
    m_previewPanel->show();
    // The player draws into a native window; making it native makes the
    // panel's siblings native too, stacked above it as they are made. Qt
    // skips a raise of a widget it already keeps on top, so the panel is
    // lowered first: the raise then reaches the native windows.
    m_surface->winId();
    m_previewPanel->lower();
    m_previewPanel->raise();
    m_surface->setToolTip(tr("Preview of ") + m_controller.info().title);
    const int seconds = m_controller.info().length.toInt();
    m_preview->playFile(*address, timeText(seconds));
}

void OnlineVideoWindow::hidePreview()
{
    // A hidden panel plays nothing: its player goes.
    m_preview->stop();
    m_previewPanel->hide();
}

void OnlineVideoWindow::mousePressEvent(QMouseEvent *event)
{
    // No frame: the window follows the mouse dragged over its body.
    if (event->button() == Qt::LeftButton && windowHandle())
        windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}

bool OnlineVideoWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_address && event->type() == QEvent::MouseButtonRelease) {
        QTimer::singleShot(0, m_address, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void OnlineVideoWindow::done(int result)
{
    // Nothing of the window goes on without it: no player, no download.
    m_preview->stop();
    m_controller.cancelDownload();
    QDialog::done(result);
}

} // namespace vantrel
