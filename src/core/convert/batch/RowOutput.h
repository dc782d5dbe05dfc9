#pragma once

#include "core/common/Expected.h"
#include "core/convert/checks/OutputJudgement.h"
#include "core/settings/Settings.h"

#include <QString>

namespace vantrel {

// One row's output file. The encoder writes under a hidden temporary name
// beside the final one (same extension, so the container is chosen the same
// way); only a complete file is renamed to the final name, so nothing but a
// complete file ever stands there and a file that was there before is never
// touched unless the row succeeded with "overwrite". The temporary file goes
// when the object goes without having been committed.
class RowOutput
{
public:
    RowOutput(QString finalPath, ExistingFilePolicy policy);
    ~RowOutput();
    RowOutput(const RowOutput &) = delete;
    RowOutput &operator=(const RowOutput &) = delete;

    QString temporaryPath() const { return m_temporaryPath; }
    QString finalPath() const { return m_finalPath; }

    // The encoder ended well: judges the file it wrote by the encoder's
    // report of the run.
    OutputVerdict judge(const OutputRequest &request, const EncoderReport &report) const;

    // Renames the complete file to its final name and returns that name.
    // With "add _New" a name taken meanwhile gives way to the next free one;
    // with "overwrite" the earlier file is replaced in one step.
    Expected<QString> commit();
    // Removes the temporary file.
    void discard();

private:
    QString m_finalPath;
    QString m_temporaryPath;
    ExistingFilePolicy m_policy;
    bool m_committed = false;
};

} // namespace vantrel
