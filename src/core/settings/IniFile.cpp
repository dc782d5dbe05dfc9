#include "core/settings/IniFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vantrel {

namespace {

// "[name]" gives name; anything else is no section line.
bool sectionName(const QByteArray &raw, QString *name)
{
    const QByteArray line = raw.trimmed();
    if (!line.startsWith('['))
        return false;
    const qsizetype close = line.indexOf(']');
    if (close < 0)
        return false;
    *name = QString::fromUtf8(line.mid(1, close - 1)).trimmed();
    return true;
}

// "key=value" gives both; a line without "=" is no key line.
bool keyLine(const QByteArray &raw, QString *key, QString *value)
{
    const qsizetype eq = raw.indexOf('=');
    if (eq < 0)
        return false;
    *key = QString::fromUtf8(raw.left(eq)).trimmed();
    if (value)
        *value = QString::fromUtf8(raw.mid(eq + 1)).trimmed();
    return true;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray singleLine(const QString &text)
{
    QString flat = text;
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', u' ');
    return flat.toUtf8();
}

} // namespace

IniDocument IniDocument::parse(const QByteArray &content)
{
    IniDocument doc;
    QByteArray text = content;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3); // a UTF-8 mark would hide the first section
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype lf = text.indexOf('\n', pos);
        if (lf < 0) {
            doc.m_lines.push_back({text.mid(pos), QByteArray()});
            break;
        }
        QByteArray raw = text.mid(pos, lf - pos);
        QByteArray end("\n");
        if (raw.endsWith('\r')) {
            raw.chop(1);
            end = "\r\n";
        }
        doc.m_lines.push_back({raw, end});
        pos = lf + 1;
    }
    return doc;
}

int IniDocument::findSection(const QString &section) const
{
    QString name;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (sectionName(m_lines[i].raw, &name) && sameName(name, section))
            return static_cast<int>(i);
    }
    return -1;
}

int IniDocument::sectionEnd(int header) const
{
    QString name;
    std::size_t i = static_cast<std::size_t>(header) + 1;
    while (i < m_lines.size() && !sectionName(m_lines[i].raw, &name))
        ++i;
    return static_cast<int>(i);
}

int IniDocument::findKey(int header, const QString &key) const
{
    const int end = sectionEnd(header);
    QString name;
    for (int i = header + 1; i < end; ++i) {
        if (keyLine(m_lines[static_cast<std::size_t>(i)].raw, &name, nullptr) &&
            sameName(name, key))
            return i;
    }
    return -1;
}

QString IniDocument::value(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    if (header < 0)
        return QString();
    const int line = findKey(header, key);
    if (line < 0)
        return QString();
    QString name;
    QString value;
    keyLine(m_lines[static_cast<std::size_t>(line)].raw, &name, &value);
    return value;
}

bool IniDocument::contains(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QByteArray IniDocument::newLineEnd() const
{
    for (const Line &line : m_lines) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return QByteArray("\n");
}

void IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    const QByteArray end = newLineEnd();
    const QByteArray entry = singleLine(key) + '=' + singleLine(value);
    int header = findSection(section);
    if (header < 0) {
        if (!m_lines.empty() && m_lines.back().end.isEmpty())
            m_lines.back().end = end;
        m_lines.push_back({'[' + singleLine(section) + ']', end});
        m_lines.push_back({entry, end});
        return;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        m_lines[static_cast<std::size_t>(existing)].raw = entry;
        return;
    }
    // After the last non-blank line of the section, so blank separators stay
    // between sections.
    int insertAt = sectionEnd(header);
    while (insertAt > header + 1 &&
           m_lines[static_cast<std::size_t>(insertAt - 1)].raw.trimmed().isEmpty())
        --insertAt;
    Line &before = m_lines[static_cast<std::size_t>(insertAt - 1)];
    if (before.end.isEmpty())
        before.end = end;
    m_lines.insert(m_lines.begin() + insertAt, Line{entry, end});
}

QByteArray IniDocument::content() const
{
    QByteArray out;
    for (const Line &line : m_lines)
        out += line.raw + line.end;
    return out;
}

std::optional<QString> unusableIniReason(const QString &filePath)
{
    const QFileInfo info(filePath); // through links: a link to /dev/zero is a device
    if (!info.exists())
        return std::nullopt;
    if (!info.isFile())
        return QCoreApplication::translate("IniFile", "\"%1\" is not a regular file").arg(filePath);
    if (info.size() > kIniMaxBytes)
        return QCoreApplication::translate("IniFile", "\"%1\" is larger than %2 kB")
            .arg(filePath)
            .arg(kIniMaxBytes / 1024);
    return std::nullopt;
}

IniDocument readIniFile(const QString &filePath)
{
    if (unusableIniReason(filePath))
        return IniDocument();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return IniDocument();
    return IniDocument::parse(file.read(kIniMaxBytes));
}

QString iniRead(const QString &filePath, const QString &section, const QString &key)
{
    return readIniFile(filePath).value(section, key);
}

bool iniWrite(const QString &filePath, const QString &section, const QString &key,
              const QString &value)
{
    return iniWrite(filePath, section, {{key, value}});
}

bool iniWrite(const QString &filePath, const QString &section, const IniEntries &entries)
{
    QByteArray old;
    if (unusableIniReason(filePath))
        return false; // replacing it would destroy what it is
    QFile existing(filePath);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false; // rewriting an unreadable file would lose its other lines
        old = existing.readAll();
        existing.close();
    }
    IniDocument doc = IniDocument::parse(old);
    for (const auto &[key, value] : entries)
        doc.setValue(section, key, value);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(doc.content());
    return file.commit();
}

} // namespace vantrel
