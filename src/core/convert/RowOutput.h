#pragma once

#include "core/common/Expected.h"
#include "core/convert/MediaFactsQuery.h"
#include "core/convert/OutputCheck.h"
#include "core/settings/Settings.h"

#include <QObject>
#include <QPointer>

namespace vantrel {

// One row's output file. The encoder writes under a hidden temporary name
// beside the final one (same extension, so the container is chosen the same
// way); only a complete file is renamed to the final name, so nothing but a
// complete file ever stands there and a file that was there before is never
// touched unless the row succeeded with "overwrite". The temporary file goes
// when the object goes without having been committed.
class RowOutput : public QObject
{
    Q_OBJECT

public:
    RowOutput(QString finalPath, ExistingFilePolicy policy, QObject *parent = nullptr);
    ~RowOutput() override;

    QString temporaryPath() const { return m_temporaryPath; }
    QString finalPath() const { return m_finalPath; }

    // The encoder ended well: measures the output with the media-info tool
    // (none: judged by the file's size and the encoder's report) and waits
    // for the source's facts in `sources`; `judged` follows.
    void judge(const OutputRequest &request, const QString &encoderMessages,
               const QString &mediaInfoPath, SourceFactsCache &sources, const QString &sourcePath);

    // Renames the complete file to its final name and returns that name.
    // With "add _New" a name taken meanwhile gives way to the next free one;
    // with "overwrite" the earlier file is replaced in one step.
    Expected<QString> commit();
    // Removes the temporary file.
    void discard();

Q_SIGNALS:
    void judged(const vantrel::OutputVerdict &verdict);

private:
    void judgeWhenKnown();

    QString m_finalPath;
    QString m_temporaryPath;
    ExistingFilePolicy m_policy;
    bool m_committed = false;

    OutputRequest m_request;
    OutputFindings m_findings;
    QString m_sourcePath;
    QPointer<SourceFactsCache> m_sources;
    std::unique_ptr<MediaFactsQuery> m_outputQuery;
    bool m_outputKnown = false;
};

} // namespace vantrel

Q_DECLARE_METATYPE(vantrel::OutputVerdict)
