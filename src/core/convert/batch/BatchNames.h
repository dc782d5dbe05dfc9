#pragma once

#include "core/common/NameClaim.h"
#include "core/convert/batch/OutputNaming.h"
#include "core/records/ConversionJob.h"
#include "core/settings/Settings.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>

namespace vantrel {

// The output names of one batch. A row's output gets the name the naming
// rules give, passing over the names other running batches hold, and a
// claim on it (NameClaim) against them; the names rows in progress will
// take and the names the batch wrote are never given again, not even with
// "overwrite", and the claims on the names written are held until the
// batch ends. Nor does "overwrite" replace a file written since the batch
// began: another run, ended meanwhile, called it OK.
class BatchNames
{
public:
    // A batch begins writing into `folder` with `policy`.
    void begin(const QString &folder, ExistingFilePolicy policy);
    // The batch has ended: the names it wrote are free to others again.
    void end();

    struct Given
    {
        OutputName name;
        std::shared_ptr<NameClaim> claim;
        QString note; // why the name is not the first the rules give; empty: it is
    };
    // The name of `job`'s output, claimed.
    Given give(const ConversionJob &job);

    // A row in progress will take `path`; or no longer will.
    void reserve(const QString &path) { m_reserved.insert(path); }
    void release(const QString &path) { m_reserved.remove(path); }
    // A row wrote `path` (held under `claim` until the batch ends, when given).
    void written(const QString &path, std::shared_ptr<NameClaim> claim = nullptr);

private:
    // With "overwrite": `path` was written since the batch began, not by it.
    bool writtenByAnotherRun(const QString &path) const;

    QString m_folder;
    ExistingFilePolicy m_policy = ExistingFilePolicy::AddNew;
    QDateTime m_began;
    QSet<QString> m_reserved; // final names that rows in progress will take
    QSet<QString> m_written;  // final names this batch wrote
    QList<std::shared_ptr<NameClaim>> m_writtenClaims;
};

} // namespace vantrel
