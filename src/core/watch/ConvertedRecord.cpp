#include "core/watch/ConvertedRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantrel {

ConvertedRecord::ConvertedRecord(QString filePath) : m_filePath(std::move(filePath)) {}

bool ConvertedRecord::load()
{
    m_files.clear();
    m_outputs.clear();
    const QFileInfo info(m_filePath);
    if (!info.exists())
        return true;
    if (!info.isFile() || info.size() > kLargestFile)
        return false;
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    while (!file.atEnd()) {
        const QJsonObject line = QJsonDocument::fromJson(file.readLine()).object();
        const QString path = line.value(QLatin1String("path")).toString();
        const double size = line.value(QLatin1String("size")).toDouble(-1);
        const double modified = line.value(QLatin1String("modified")).toDouble(-1);
        if (path.isEmpty() || size < 0 || modified < 0)
            continue; // a broken line, or none of ours
        m_files.insert(path, Entry{qint64(size), qint64(modified)});
        const QString output = line.value(QLatin1String("output")).toString();
        if (!output.isEmpty())
            m_outputs.insert(output);
    }
    return true;
}

bool ConvertedRecord::converted(const QString &path, qint64 size, const QDateTime &modified) const
{
    const auto it = m_files.constFind(path);
    return it != m_files.constEnd() && it->size == size &&
           it->modifiedMs == modified.toMSecsSinceEpoch();
}

bool ConvertedRecord::remember(const QString &path, qint64 size, const QDateTime &modified,
                               const QString &output)
{
    m_files.insert(path, Entry{size, modified.toMSecsSinceEpoch()});
    if (!output.isEmpty())
        m_outputs.insert(output);
    QFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    QJsonObject line;
    line.insert(QLatin1String("path"), path);
    line.insert(QLatin1String("size"), double(size));
    line.insert(QLatin1String("modified"), double(modified.toMSecsSinceEpoch()));
    line.insert(QLatin1String("output"), output);
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    return file.write(text) == text.size() && file.flush();
}

} // namespace vantrel
