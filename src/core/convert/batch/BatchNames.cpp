#include "core/convert/batch/BatchNames.h"

#include "core/common/FileNames.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vantrel {

namespace {

// Why a row's output did not get its first name, for the row's tip.
QString nameClashNote(const OutputName &name)
{
    switch (name.clash) {
    case NameClash::None:
        return QString();
    case NameClash::Source:
        return QCoreApplication::translate(
                   "BatchRun", "The first name for this output is its own source file, which "
                               "\"overwrite\" never replaces; it was named \"%1\" instead.")
            .arg(QFileInfo(name.path).fileName());
    case NameClash::SameBatch:
        return QCoreApplication::translate(
                   "BatchRun", "The first name for this output was written earlier in this "
                               "batch, which \"overwrite\" never replaces; it was named \"%1\" "
                               "instead.")
            .arg(QFileInfo(name.path).fileName());
    case NameClash::OtherRun:
        return QCoreApplication::translate(
                   "BatchRun", "The first name for this output is held by another conversion "
                               "into the same folder (running, or written since this batch "
                               "began; here or on another computer), which \"overwrite\" never "
                               "replaces; it was named \"%1\" instead.")
            .arg(QFileInfo(name.path).fileName());
    }
    return QString();
}

// Why a row's output did not get its first name `first`, when a folder
// stands where that name's claim marker goes.
QString blockedClaimNote(const QString &first, const QString &given)
{
    return QCoreApplication::translate(
               "BatchRun", "A folder stands where the claim of the first name for this output "
                           "goes (\"%1\"), so that name could not be claimed; it was named "
                           "\"%2\" instead.")
        .arg(QFileInfo(NameClaim::markerPathFor(first)).fileName(), QFileInfo(given).fileName());
}

} // namespace

void BatchNames::begin(const QString &folder, ExistingFilePolicy policy)
{
    m_folder = folder;
    m_policy = policy;
    m_began = QDateTime::currentDateTimeUtc();
    m_reserved.clear();
    m_written.clear();
    m_writtenClaims.clear();
}

void BatchNames::end()
{
    m_writtenClaims.clear();
}

BatchNames::Given BatchNames::give(const ConversionJob &job)
{
    // A name that this batch wrote, or that a row still in progress will
    // take, is never replaced, not even with "overwrite"; nor is one that
    // another batch holds.
    QSet<QString> heldElsewhere;
    QSet<QString> blocked; // names whose claim marker's place a folder takes
    QString first;
    for (;;) {
        const OutputName name = outputPathFor(
            job.sourcePath, m_folder, job.outputExtension, m_policy, isNameTaken,
            [this](const QString &path) {
                return m_reserved.contains(path) || m_written.contains(path);
            },
            [this, &heldElsewhere](const QString &path) {
                return heldElsewhere.contains(path) || writtenByAnotherRun(path);
            });
        if (first.isEmpty())
            first = name.path;
        std::shared_ptr<NameClaim> claim = NameClaim::take(name.path);
        // The end of a chain is given even when taken: whoever writes it refuses.
        if (claim || heldElsewhere.contains(name.path)) {
            if (name.clash == NameClash::OtherRun && blocked.contains(first))
                return Given{name, claim, blockedClaimNote(first, name.path)};
            return Given{name, claim, nameClashNote(name)};
        }
        if (QFileInfo(NameClaim::markerPathFor(name.path)).isDir())
            blocked.insert(name.path);
        heldElsewhere.insert(name.path);
    }
}

bool BatchNames::writtenByAnotherRun(const QString &path) const
{
    const QFileInfo file(path);
    return m_policy == ExistingFilePolicy::Overwrite && !m_written.contains(path) &&
           file.exists() && file.lastModified().toUTC() >= m_began;
}

void BatchNames::written(const QString &path, std::shared_ptr<NameClaim> claim)
{
    m_written.insert(path);
    if (claim)
        m_writtenClaims.append(std::move(claim));
}

} // namespace vantrel
