#include "gui/convert/ProgressPanel.h"

#include "core/convert/batch/BatchRun.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QProgressBar *makeBar(QWidget *parent, const QString &name)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}

QGroupBox *framed(const QString &caption, QWidget *content, QWidget *parent)
{
    auto *box = new QGroupBox(caption, parent);
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

} // namespace

ProgressPanel::ProgressPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Picture4"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    setCursor(Qt::SizeAllCursor);

    m_frame = new QGroupBox(tr("Progress"), this);
    m_frame->setObjectName(QStringLiteral("Frame14"));
    m_fileBar = makeBar(this, QStringLiteral("prgTrackProgress"));
    m_totalBar = makeBar(this, QStringLiteral("prgTotalProgress"));
    m_elapsed = new QLabel(QStringLiteral("00:00:00"), this);
    m_elapsed->setObjectName(QStringLiteral("SkinLabel2"));
    m_timeLeft = new QLabel(this);
    m_timeLeft->setObjectName(QStringLiteral("lblTimeLeft"));
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Command1"));
    m_cancel->setCursor(Qt::ArrowCursor);

    // Beside the times, in the room before Cancel: the note moves no button.
    m_awake = new QLabel(this);
    m_awake->setObjectName(QStringLiteral("lblAwake"));
    m_awake->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *time = new QHBoxLayout;
    time->addWidget(new QLabel(tr("Current video Time:"), this));
    time->addWidget(m_elapsed);
    time->addSpacing(24);
    time->addWidget(m_timeLeft);
    time->addSpacing(12);
    time->addWidget(m_awake, 1);
    time->addWidget(m_cancel);


    auto *inner = new QVBoxLayout(m_frame);
    inner->addWidget(framed(tr("Currently Conversion"), m_fileBar, m_frame));
    inner->addWidget(framed(tr("Total Conversion"), m_totalBar, m_frame));
    inner->addLayout(time);

    auto *outer = new QVBoxLayout(this);
    outer->addWidget(m_frame);
    hide();
}

void ProgressPanel::follow(BatchRun &batch)
{
    connect(&batch, &BatchRun::panelVisibleChanged, this, [this](bool visible) {
        if (visible) {
            m_frame->setTitle(tr("Progress"));
            m_elapsed->setText(QStringLiteral("00:00:00"));
            raise();
        }
        setVisible(visible);
    });
    // The title names the row whose bar and time the panel shows.
    connect(&batch, &BatchRun::followedRowChanged, this,
            [this](quint64, const QString &caption) { m_frame->setTitle(caption); });
    connect(&batch, &BatchRun::filePercentChanged, m_fileBar,
            [this](int percent) { m_fileBar->setValue(qBound(0, percent, 100)); });
    connect(&batch, &BatchRun::totalPercentChanged, m_totalBar, &QProgressBar::setValue);
    connect(&batch, &BatchRun::elapsedTextChanged, m_elapsed, &QLabel::setText);
    connect(&batch, &BatchRun::timeLeftChanged, m_timeLeft, [this](const QString &left) {
        m_timeLeft->setText(left.isEmpty() ? QString() : tr("Time left: ") + left);
    });
    connect(m_cancel, &QPushButton::clicked, &batch, &BatchRun::cancel);
}

void ProgressPanel::showAwakeNote(const QString &note)
{
    m_awake->setText(note.isEmpty() ? QString() : tr("The computer may sleep"));
    m_awake->setToolTip(note);
}

void ProgressPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_grab = event->position().toPoint();
}

void ProgressPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !parentWidget())
        return;
    QPoint topLeft = mapToParent(event->position().toPoint()) - m_grab;
    // Keep it where it can be grabbed again.
    const QRect area = parentWidget()->rect();
    topLeft.setX(qBound(area.left() - width() + 40, topLeft.x(), area.right() - 40));
    topLeft.setY(qBound(area.top(), topLeft.y(), area.bottom() - 40));
    move(topLeft);
}

void ProgressPanel::mouseReleaseEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    m_dragging = false;
}

} // namespace vantrel
