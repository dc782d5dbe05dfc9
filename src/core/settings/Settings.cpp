#include "core/settings/Settings.h"

#include "core/common/NumberText.h"
#include "core/settings/IniFile.h"

namespace vantrel {

const QString Settings::kSection = QStringLiteral("set");
const QString Settings::kWriteSection = QStringLiteral("Set");
const QString Settings::kOutputFolder = QStringLiteral("outputfolder");
const QString Settings::kExistingFile = QStringLiteral("existedfile");
const QString Settings::kThread = QStringLiteral("thread");
const QString Settings::kAutoShut = QStringLiteral("autoshut");
const QString Settings::kProfile = QStringLiteral("profile");

Settings::Settings(QString filePath, QString fallbackFolder)
    : m_filePath(std::move(filePath)), m_fallbackFolder(std::move(fallbackFolder))
{}

QString Settings::text(const QString &key) const
{
    return iniRead(m_filePath, kSection, key);
}

bool Settings::write(const QString &key, const QString &value) const
{
    return iniWrite(m_filePath, kWriteSection, key, value);
}

double Settings::numeric(const QString &key) const
{
    return leadingNumber(text(key));
}

QString Settings::outputFolder() const
{
    const QString folder = text(kOutputFolder);
    return folder.isEmpty() ? m_fallbackFolder : folder;
}

int Settings::existingFilePolicy() const
{
    return numeric(kExistingFile) == 0.0 ? 0 : 1;
}

QString Settings::threadText() const
{
    return text(kThread);
}

bool Settings::autoShut() const
{
    return numeric(kAutoShut) == 1.0;
}

} // namespace vantrel
