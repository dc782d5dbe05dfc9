#pragma once

#include "gui/app/AsyncDialogs.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace vantrel {

class OnlineVideoController;
class PreviewController;
class VideoSurfaceWidget;

// The online-video window: the watch page's address and Get Direct Link, the
// page's details and picture, a button per stream it offers with the
// download's progress, and a preview panel where the player plays a stream.
// It has no frame of its own: it is dragged by its body and closed with its
// "X". What it does is the OnlineVideoController's.
//
// The controls carry the object names txtWatchUrl, cmdG, lblTitle,
// lblTitle1, lblAuthor, lblPublished, lblCat, lblDur, lblRating, txtDesc,
// picTitle, getMp4, getHDH, getHDL, getFlv, Label2, pbDownload, cmdPR,
// cmdCLose, cmdCancel (stops a download), cmdOpenFolder (the last
// download's folder), and in the preview panel frmPR: Label8 and Label6
// ("X").
class OnlineVideoWindow : public QDialog
{
    Q_OBJECT

public:
    // Asks the user Download (true) or Play (false), answering through
    // `done`; tests replace it.
    using Question = std::function<void(QWidget *parent, YesNoAnswer done)>;

    OnlineVideoWindow(OnlineVideoController &controller, std::unique_ptr<PreviewController> preview,
                      QWidget *parent = nullptr);
    ~OnlineVideoWindow() override;

    OnlineVideoController &controller() const { return m_controller; }
    void setQuestion(Question question) { m_askDownload = std::move(question); }
    static void askDownloadWithDialog(QWidget *parent, YesNoAnswer done);

    QPushButton *streamButton(int format) const;
    QWidget *previewPanel() const { return m_previewPanel; }
    QWidget *videoSurface() const;
    PreviewController &preview() const { return *m_preview; }

    // A stream button: downloads, or (for the Flash-video formats) asks first.
    void streamClicked(int format);
    // Shows the preview panel at `position` and plays the stream there.
    void previewStream(int format, const QPoint &position);

    // Closing (the "X", Escape, the window's end) stops the preview's player
    // and a running download.
    void done(int result) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildPreviewPanel();
    void showPage();
    void startDownload(int format);
    void showThumbnail(const QString &file);
    void hidePreview();

    OnlineVideoController &m_controller;
    std::unique_ptr<PreviewController> m_preview;
    Question m_askDownload;

    QLineEdit *m_address = nullptr;
    QPushButton *m_get = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_author = nullptr;
    QLabel *m_published = nullptr;
    QLabel *m_category = nullptr;
    QLabel *m_length = nullptr;
    QLabel *m_rating = nullptr;
    QPlainTextEdit *m_description = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_progressText = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_previewButton = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_openFolder = nullptr;
    QWidget *m_previewPanel = nullptr;
    VideoSurfaceWidget *m_surface = nullptr;
};

} // namespace vantrel
