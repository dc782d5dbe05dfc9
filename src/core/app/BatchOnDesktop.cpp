#include "core/app/BatchOnDesktop.h"

namespace vantrel {

BatchOnDesktop::BatchOnDesktop(DesktopNotifier *notifier, QObject *parent)
    : QObject(parent), m_notifier(notifier)
{}

BatchOnDesktop::~BatchOnDesktop()
{
    if (m_running && m_notifier)
        m_notifier->showProgress(std::nullopt);
}

void BatchOnDesktop::follow(BatchRun &batch)
{
    if (!m_notifier)
        return;
    connect(&batch, &BatchRun::panelVisibleChanged, this, [this](bool visible) {
        if (!visible || m_running)
            return;
        m_running = true;
        m_percent = 0;
        m_notifier->showProgress(0.0);
    });
    connect(&batch, &BatchRun::totalPercentChanged, this, [this](int percent) {
        if (!m_running || percent == m_percent)
            return;
        m_percent = percent;
        m_notifier->showProgress(percent / 100.0);
    });
    connect(&batch, &BatchRun::finished, this, &BatchOnDesktop::onFinished);
}

QString BatchOnDesktop::notificationBody(const BatchOutcome &outcome)
{
    switch (outcome.ending) {
    case BatchEnding::Completed:
        if (outcome.failedRows == 0)
            return outcome.rows == 1 ? tr("1 file converted.")
                                     : tr("%1 files converted.").arg(outcome.rows);
        return tr("%1 of %2 files converted, %3 failed. Point at \"Fail\" in the Status column "
                  "to see why.")
            .arg(outcome.rows - outcome.failedRows)
            .arg(outcome.rows)
            .arg(outcome.failedRows);
    case BatchEnding::Stopped:
        return tr("The conversion stopped: a listed file is no longer there.");
    case BatchEnding::Cancelled:
        break;
    }
    return QString();
}

void BatchOnDesktop::onFinished(const BatchOutcome &outcome)
{
    m_running = false;
    m_notifier->showProgress(std::nullopt);
    if (outcome.ending == BatchEnding::Cancelled || (m_watching && m_watching()))
        return;
    const bool warning = outcome.ending != BatchEnding::Completed || outcome.failedRows > 0;
    m_notifier->notify(batchEndMessage(outcome), notificationBody(outcome), warning);
}

} // namespace vantrel
