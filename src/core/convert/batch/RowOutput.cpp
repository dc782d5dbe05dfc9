#include "core/convert/batch/RowOutput.h"

#include "core/common/FileNames.h"
#include "core/convert/batch/OutputNaming.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace vantrel {

namespace {

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

RowOutput::RowOutput(QString finalPath, ExistingFilePolicy policy)
    : m_finalPath(std::move(finalPath)), m_temporaryPath(temporaryPathFor(m_finalPath)),
      m_policy(policy)
{}

RowOutput::~RowOutput()
{
    discard();
}

OutputVerdict RowOutput::judge(const OutputRequest &request, const EncoderReport &report) const
{
    const QFileInfo out(m_temporaryPath);
    return judgeOutput(request, {out.exists() ? out.size() : -1, report});
}

Expected<QString> RowOutput::commit()
{
    QString failure;
    if (m_policy == ExistingFilePolicy::Overwrite) {
        // One step, so that the earlier file is there until the new one is.
        std::error_code error;
        std::filesystem::rename(nativePath(m_temporaryPath), nativePath(m_finalPath), error);
        if (error)
            failure = QString::fromLocal8Bit(error.message().c_str());
    } else {
        // Never over a file that appeared meanwhile: the next free name.
        const QFileInfo final(m_finalPath);
        if (isNameTaken(m_finalPath))
            m_finalPath =
                outputPathFor(m_finalPath, final.absolutePath(), QLatin1Char('.') + final.suffix(),
                              ExistingFilePolicy::AddNew, isNameTaken)
                    .path;
        QFile temporary(m_temporaryPath);
        if (!temporary.rename(m_finalPath))
            failure = temporary.errorString();
    }
    if (!failure.isEmpty()) {
        discard();
        return Expected<QString>::failure(
            QCoreApplication::translate("RowOutput", "The output could not be named \"%1\": %2.")
                .arg(m_finalPath, failure));
    }
    m_committed = true;
    return m_finalPath;
}

void RowOutput::discard()
{
    if (!m_committed)
        QFile::remove(m_temporaryPath);
}

} // namespace vantrel
