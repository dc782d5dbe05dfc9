#include "gui/preview/TrimmingDialog.h"

#include "core/preview/PreviewController.h"
#include "core/preview/TrimmingController.h"
#include "gui/app/AsyncDialogs.h"
#include "gui/preview/PreviewPanel.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QSlider *timeSlider(const char *name, int maximum, int value, QWidget *parent)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(0, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(qMax(1, maximum / 10));
    slider->setValue(value);
    return slider;
}

QLineEdit *timeBox(const char *name, const QString &text, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 24);
    return box;
}

} // namespace

TrimmingDialog::TrimmingDialog(TrimmingController &controller, QWidget *parent)
    : QDialog(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("Form2"));
    setModal(true);
    setWindowTitle(m_controller.caption());

    m_preview = new PreviewPanel(m_controller.preview(), this);
    m_preview->positionSlider()->setObjectName(QStringLiteral("Slider3"));
    m_preview->videoSurface()->setMinimumSize(320, 240);
    connect(m_preview, &PreviewPanel::playClicked, &m_controller, &TrimmingController::play);

    auto *frame = new QGroupBox(tr("Start Time and End Time"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    const int maximum = m_controller.sliderMaximum();
    m_startSlider = timeSlider("Slider1", maximum, m_controller.startSliderValue(), frame);
    m_stopSlider = timeSlider("Slider2", maximum, m_controller.stopSliderValue(), frame);
    m_startEdit = timeBox("Text1", m_controller.startText(), frame);
    m_stopEdit = timeBox("Text2", m_controller.stopText(), frame);
    m_lengthEdit = timeBox("Text3", m_controller.lengthText(), frame);
    m_lengthEdit->setReadOnly(true);
    auto *startLabel = new QLabel(tr("Start Time:"), frame);
    auto *stopLabel = new QLabel(tr("End Time:"), frame);
    auto *lengthLabel = new QLabel(tr("Clip Time"), frame);
    startLabel->setBuddy(m_startEdit);
    stopLabel->setBuddy(m_stopEdit);
    lengthLabel->setBuddy(m_lengthEdit);

    auto *grid = new QGridLayout(frame);
    grid->addWidget(startLabel, 0, 0);
    grid->addWidget(m_startSlider, 0, 1);
    grid->addWidget(m_startEdit, 0, 2);
    grid->addWidget(stopLabel, 1, 0);
    grid->addWidget(m_stopSlider, 1, 1);
    grid->addWidget(m_stopEdit, 1, 2);
    grid->addWidget(lengthLabel, 2, 0);
    grid->addWidget(m_lengthEdit, 2, 2);
    grid->setColumnStretch(1, 1);

    onSliderReleased(m_startSlider,
                     [this](int seconds) { m_controller.startSliderReleased(seconds); });
    onSliderReleased(m_stopSlider,
                     [this](int seconds) { m_controller.stopSliderReleased(seconds); });
    connect(m_startEdit, &QLineEdit::textEdited, &m_controller, &TrimmingController::setStartText);
    connect(m_stopEdit, &QLineEdit::textEdited, &m_controller, &TrimmingController::setStopText);
    connect(&m_controller, &TrimmingController::startTextChanged, m_startEdit, &QLineEdit::setText);
    connect(&m_controller, &TrimmingController::stopTextChanged, m_stopEdit, &QLineEdit::setText);
    connect(&m_controller, &TrimmingController::lengthTextChanged, m_lengthEdit,
            &QLineEdit::setText);
    connect(&m_controller, &TrimmingController::startSliderChanged, m_startSlider,
            &QSlider::setValue);
    connect(&m_controller, &TrimmingController::stopSliderChanged, m_stopSlider,
            &QSlider::setValue);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("Command2"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, &m_controller, &TrimmingController::accept);
    connect(m_cancel, &QPushButton::clicked, this, &TrimmingDialog::reject);
    connect(&m_controller, &TrimmingController::finished, this,
            [this](bool accepted) { done(accepted ? Accepted : Rejected); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_preview, 1);
    layout->addWidget(frame);
    layout->addWidget(buttons);
}

TrimmingDialog::~TrimmingDialog() = default;

void TrimmingDialog::reject()
{
    m_controller.cancel();
}

void TrimmingDialog::done(int result)
{
    QDialog::done(result);
    if (!m_closed) {
        m_closed = true;
        m_controller.closed();
    }
}

void TrimmingDialog::openFor(SourceList &list, int row, PreviewController &mainPreview,
                             ToolControl &tools, const QString &playerPath, Prompt *prompt,
                             QWidget *parent)
{
    std::unique_ptr<TrimmingController> trimming = TrimmingController::open(
        list, row, mainPreview, prompt, std::make_unique<PreviewController>(playerPath, tools));
    if (!trimming)
        return;
    // Modal like the program's other windows, without waiting for it.
    auto *dialog = new TrimmingDialog(*trimming, parent);
    keepWhileAlive(dialog, std::shared_ptr<TrimmingController>(std::move(trimming)));
    openOwnedDialog(dialog);
}

} // namespace vantrel
