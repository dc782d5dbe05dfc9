#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

namespace vantrel {

// What a watched folder has had converted, kept in the data folder one JSON
// line per file (its path, size, modification time and output), so that a
// restart converts nothing twice while a file replaced by another of the
// same name is converted again. A line that is no such record is passed
// over; a file too large to be one is not read.
class ConvertedRecord
{
public:
    static constexpr qint64 kLargestFile = qint64(64) * 1024 * 1024;

    explicit ConvertedRecord(QString filePath);

    // Reads what the file holds; false when it could not be read (none is
    // an empty record).
    bool load();
    bool converted(const QString &path, qint64 size, const QDateTime &modified) const;
    // Remembers a conversion and adds it to the file; false when the file
    // could not be written (the record still holds it for this run).
    bool remember(const QString &path, qint64 size, const QDateTime &modified,
                  const QString &output);
    // Whether a path is an output a remembered conversion wrote (when
    // outputs go inside a watched folder, they are not sources).
    bool isOutput(const QString &path) const { return m_outputs.contains(path); }
    int count() const { return int(m_files.size()); }

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
    };
    QString m_filePath;
    QHash<QString, Entry> m_files;
    QSet<QString> m_outputs;
};

} // namespace vantrel
