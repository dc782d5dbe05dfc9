#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantrel {

// An INI text kept line by line, so that a change rewrites one line and keeps
// every other line (comments, other sections, unknown keys) byte for byte.
// Section and key names compare without regard to case; the first match wins.
class IniDocument
{
public:
    static IniDocument parse(const QByteArray &content);

    // The value with blanks trimmed from both ends; empty when the section or
    // key is missing.
    QString value(const QString &section, const QString &key) const;
    bool contains(const QString &section, const QString &key) const;

    // Replaces the key's line, or adds the key at the end of its section, or
    // adds the section at the end of the text. Line breaks in the arguments
    // become blanks so a value can never start a new line.
    void setValue(const QString &section, const QString &key, const QString &value);

    QByteArray content() const;

private:
    struct Line
    {
        QByteArray raw; // without its line end
        QByteArray end; // "\n", "\r\n" or empty for a last line without one
    };

    // Index of the section's header line, or -1.
    int findSection(const QString &section) const;
    // Index of the key's line inside the section that starts at `header`, or -1.
    int findKey(int header, const QString &key) const;
    int sectionEnd(int header) const;
    QByteArray newLineEnd() const;

    std::vector<Line> m_lines;
};

// The most a settings file may hold; anything larger is not a settings file.
constexpr qint64 kIniMaxBytes = 1024 * 1024;

// Why a file that is there cannot be an INI file to read or rewrite: not a
// regular file (a FIFO would hang the reader, a device would never end) or
// larger than kIniMaxBytes. None for a missing file or a usable one.
std::optional<QString> unusableIniReason(const QString &filePath);

// An INI file as a document; a missing, unreadable or unusable file reads as
// an empty one.
IniDocument readIniFile(const QString &filePath);

// One value of an INI file by path, section and key, read at the moment it is
// needed. A missing or unreadable file reads as missing keys.
QString iniRead(const QString &filePath, const QString &section, const QString &key);

// Writes values of one section, in order, creating the file and the section
// when missing. The file is replaced as a whole, so a crash never leaves half
// a file. Returns false when the file could not be written (or is no usable
// INI file); the old file then stays as it was.
using IniEntries = QList<QPair<QString, QString>>; // key, value
bool iniWrite(const QString &filePath, const QString &section, const IniEntries &entries);
bool iniWrite(const QString &filePath, const QString &section, const QString &key,
              const QString &value);

} // namespace vantrel
