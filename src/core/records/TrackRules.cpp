#include "core/records/TrackRules.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace vantrel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TrackRules", text);
}

template <typename Name, typename Rule>
Expected<Rule> ruleOf(const std::vector<Name> &names, const QString &text, const char *item)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return names.front().rule;
    for (const Name &name : names) {
        if (trimmed == QLatin1String(name.sheet) ||
            trimmed.compare(QLatin1String(name.word), Qt::CaseInsensitive) == 0)
            return name.rule;
    }
    QStringList words;
    for (const Name &name : names)
        words << QLatin1String(name.word);
    return Expected<Rule>::failure(
        tr("%1 \"%2\" is none of %3")
            .arg(QLatin1String(item), text, words.join(QStringLiteral(", "))));
}

} // namespace

const std::vector<SoundTracksName> &soundTracksNames()
{
    static const std::vector<SoundTracksName> names = {
        {SoundTracks::Best, "Best one", "best"},
        {SoundTracks::Languages, "Preferred languages", "languages"},
        {SoundTracks::Main, "All main tracks", "main"},
        {SoundTracks::All, "All tracks", "all"},
    };
    return names;
}

const std::vector<SubtitleTracksName> &subtitleTracksNames()
{
    static const std::vector<SubtitleTracksName> names = {
        {SubtitleTracks::None, "None", "none"},
        {SubtitleTracks::Languages, "Preferred languages", "languages"},
        {SubtitleTracks::All, "All", "all"},
        {SubtitleTracks::ForcedBurned, "Forced only, burned in", "forced-burned"},
    };
    return names;
}

Expected<SoundTracks> soundTracksOf(const QString &text)
{
    return ruleOf<SoundTracksName, SoundTracks>(soundTracksNames(), text, "Sound Tracks");
}

Expected<SubtitleTracks> subtitleTracksOf(const QString &text)
{
    return ruleOf<SubtitleTracksName, SubtitleTracks>(subtitleTracksNames(), text, "Subtitles");
}

Expected<QStringList> languageCodesOf(const QString &text)
{
    static const QRegularExpression code(QStringLiteral("^[a-z]{3}$"));
    QStringList codes;
    for (const QString &item : text.split(u',', Qt::SkipEmptyParts)) {
        const QString c = item.trimmed().toLower();
        if (c.isEmpty())
            continue;
        if (!code.match(c).hasMatch())
            return Expected<QStringList>::failure(
                tr("\"%1\" is no language code: give ISO 639-2 codes, like \"eng,deu\"")
                    .arg(item.trimmed()));
        if (!codes.contains(c))
            codes << c;
    }
    return codes;
}

} // namespace vantrel
