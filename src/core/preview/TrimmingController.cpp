#include "core/preview/TrimmingController.h"

#include "core/common/PlatformServices.h"
#include "core/common/TimeText.h"
#include "core/sources/SourceList.h"

#include <algorithm>
#include <cstdlib>

namespace vantrel {

TrimmingController::TrimmingController(SourceList &list, int row, Prompt *prompt,
                                       std::unique_ptr<PreviewController> preview, QObject *parent)
    : QObject(parent), m_list(list), m_row(row), m_prompt(prompt), m_preview(std::move(preview))
{
    const SourceItem &item = m_list.item(m_row);
    m_file = item.fileName;
    m_startText = item.clipStart;
    m_stopText = item.clipEnd;
    m_durationText = item.videoTime;
    updateLength();
    m_sliderMaximum = secondsOfTimeText(m_durationText).value_or(0);
    m_stopSlider = secondsOfTimeText(m_stopText).value_or(0);
    m_startSlider = secondsOfTimeText(m_startText).value_or(0);
    m_preview->setCurrentFile(m_file);
    m_preview->resetPosition(m_sliderMaximum);
}

TrimmingController::~TrimmingController() = default;

std::unique_ptr<TrimmingController>
TrimmingController::open(SourceList &list, int row, PreviewController &mainPreview, Prompt *prompt,
                         std::unique_ptr<PreviewController> preview)
{
    if (row < 0 || row >= list.count())
        return nullptr;
    mainPreview.giveWay();
    return std::make_unique<TrimmingController>(list, row, prompt, std::move(preview));
}

QString TrimmingController::caption() const
{
    return tr("Clip Time") + QStringLiteral("  -  ") + m_file;
}

void TrimmingController::play()
{
    m_preview->playFile(m_file, m_durationText);
}

void TrimmingController::startSliderReleased(int seconds)
{
    m_startSlider = seconds;
    m_startText = timeText(seconds);
    Q_EMIT startTextChanged(m_startText);
    updateLength();
}

void TrimmingController::stopSliderReleased(int seconds)
{
    m_stopSlider = seconds;
    m_stopText = timeText(seconds);
    Q_EMIT stopTextChanged(m_stopText);
    updateLength();
}

void TrimmingController::setStartText(const QString &text)
{
    m_startText = text;
    if (const std::optional<int> seconds = secondsOfTimeText(text)) {
        m_startSlider = std::clamp(*seconds, 0, m_sliderMaximum);
        Q_EMIT startSliderChanged(m_startSlider);
    }
    updateLength();
}

void TrimmingController::setStopText(const QString &text)
{
    m_stopText = text;
    if (const std::optional<int> seconds = secondsOfTimeText(text)) {
        m_stopSlider = std::clamp(*seconds, 0, m_sliderMaximum);
        Q_EMIT stopSliderChanged(m_stopSlider);
    }
    updateLength();
}

void TrimmingController::updateLength()
{
    const std::optional<int> start = secondsOfTimeText(m_startText);
    const std::optional<int> stop = secondsOfTimeText(m_stopText);
    // Within the file, as the sliders stand.
    const auto within = [this](int seconds) {
        return m_sliderMaximum > 0 ? std::clamp(seconds, 0, m_sliderMaximum) : seconds;
    };
    m_lengthText = start && stop ? timeText(std::abs(within(*stop) - within(*start))) : QString();
    Q_EMIT lengthTextChanged(m_lengthText);
}

bool TrimmingController::accept()
{
    // Compared as seconds: as texts "10:00:00" would sort before "9:00:00".
    const std::optional<int> start = secondsOfTimeText(m_startText);
    const std::optional<int> stop = secondsOfTimeText(m_stopText);
    if (!start || !stop || *start >= *stop) {
        if (m_prompt)
            m_prompt->error(tr("Start time or End time is error."));
        return false;
    }
    // The file's length, where the list knows it, is as far as a clip goes.
    if (m_sliderMaximum > 0 && *stop > m_sliderMaximum) {
        if (m_prompt)
            m_prompt->error(
                tr("The end %1 is past the end of the file (%2).").arg(m_stopText, m_durationText));
        return false;
    }
    if (m_row >= 0 && m_row < m_list.count() && m_list.item(m_row).fileName == m_file)
        m_list.setClip(m_row, m_startText, m_stopText);
    leave();
    Q_EMIT finished(true);
    return true;
}

void TrimmingController::cancel()
{
    leave();
    Q_EMIT finished(false);
}

void TrimmingController::leave()
{
    m_preview->giveWay();
}

void TrimmingController::closed()
{
    m_preview->giveWay();
    m_file.clear();
}

} // namespace vantrel
