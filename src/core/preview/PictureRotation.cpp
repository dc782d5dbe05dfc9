#include "core/preview/PictureRotation.h"

#include <QFileInfo>

namespace vantrel {

PictureRotation::PictureRotation(QString probePath, QObject *parent)
    : QObject(parent), m_analysis(std::move(probePath))
{
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, [this] {
        m_analysis.stop();
        answer(0);
    });
    connect(&m_analysis, &SourceReading::finished, this, [this] {
        m_wait.stop();
        const std::optional<SourceFacts> &facts = m_analysis.facts();
        const int rotation = facts ? facts->rotation() : 0;
        m_known.insert(m_file, rotation);
        if (facts && facts->picture() && facts->range() != SourceFacts::Range::Standard)
            m_hdr.insert(m_file);
        answer(rotation);
    });
}

void PictureRotation::lookUp(const QString &file, std::function<void(int)> answer)
{
    forget();
    if (const auto known = m_known.constFind(file); known != m_known.constEnd()) {
        answer(*known);
        return;
    }
    if (!QFileInfo(file).isFile()) {
        answer(0);
        return;
    }
    m_file = file;
    m_answer = std::move(answer);
    m_wait.start(kLongestWaitMs);
    ReadingNeeds needs;
    needs.headerOnly = true;
    m_analysis.start(file, needs);
}

void PictureRotation::forget()
{
    m_wait.stop();
    m_analysis.stop();
    m_answer = nullptr;
}

void PictureRotation::answer(int rotation)
{
    if (const std::function<void(int)> waiting = std::exchange(m_answer, nullptr))
        waiting(rotation);
}

} // namespace vantrel
