#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// The program's persistent settings, read from the settings file each time a
// value is needed, so a change saved elsewhere applies at once.
class Settings
{
public:
    // Section and keys as stored in the file.
    static const QString kSection;      // "set"
    static const QString kWriteSection; // "Set": the same section, as the writers spell it
    static const QString kOutputFolder; // folder for converted files
    static const QString kExistingFile; // 0: add "_New" to a taken name; other: overwrite
    static const QString kThread;       // encoder thread count as text
    static const QString kAutoShut;     // 1: power off after a batch
    static const QString kProfile;      // entry number of the last selected profile

    // `fallbackFolder` stands in for an empty output folder.
    Settings(QString filePath, QString fallbackFolder);

    const QString &filePath() const { return m_filePath; }

    QString text(const QString &key) const;
    bool write(const QString &key, const QString &value) const;

    QString outputFolder() const;
    int existingFilePolicy() const; // 0 adds "_New"; anything else overwrites
    QString threadText() const;
    bool autoShut() const;
    double numeric(const QString &key) const;

private:
    QString m_filePath;
    QString m_fallbackFolder;
};

} // namespace vantrel
