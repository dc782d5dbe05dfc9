#include "cli/SheetArguments.h"

#include "cli/CliText.h"

#include "core/profiles/OptionSheet.h"
#include "core/profiles/ProfileCatalogue.h"
#include "core/profiles/ProfileDefaults.h"
#include "core/records/TrackRules.h"

#include <QCommandLineParser>

namespace vantrel::cli {

Expected<int> parseEntryNumber(const QString &option, const QString &text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || !catalogueEntry(number))
        return Expected<int>::failure(
            tr("%1 takes an entry number, a whole number from %2 to %3, not \"%4\"")
                .arg(option)
                .arg(kFirstEntry)
                .arg(kLastEntry)
                .arg(text));
    return number;
}

namespace {

// "--profile 1 is the group "Apple iPad", not a profile; the profiles beside
// it are 2 "Apple iPad MPEG-4 Movie(*.mp4)"; vantrel-cli profiles lists them all"
QString groupRefusal(const CatalogueEntry &group)
{
    QStringList beside;
    for (const int number : {group.number - 1, group.number + 1}) {
        const CatalogueEntry *entry = catalogueEntry(number);
        if (entry && !entry->isGroup())
            beside << QStringLiteral("%1 \"%2\"").arg(number).arg(entry->captionText());
    }
    return tr("--profile %1 is the group \"%2\", not a profile; the profiles beside it are %3; "
              "vantrel-cli profiles lists them all")
        .arg(group.number)
        .arg(group.captionText(), beside.join(tr(" and ")));
}

} // namespace

Expected<bool> applyPicks(OptionSheet &sheet, const QStringList &entries, const QString &option)
{
    for (const QString &text : entries) {
        const Expected<int> entry = parseEntryNumber(option, text);
        if (!entry)
            return Expected<bool>::failure(entry.error());
        applyProfileDefaults(sheet, *entry);
    }
    return true;
}

Expected<bool> applySets(OptionSheet &sheet, const QStringList &assignments)
{
    for (const QString &assignment : assignments) {
        const qsizetype eq = assignment.indexOf(u'=');
        if (eq < 0)
            return Expected<bool>::failure(
                tr("--set needs ITEM=VALUE, got \"%1\"").arg(assignment));
        const QString caption = assignment.left(eq).trimmed();
        const auto address = sheet.findItem(caption);
        if (!address)
            return Expected<bool>::failure(tr("the option sheet has no item \"%1\"").arg(caption));
        if (sheet.item(address->category, address->item)->readOnly) {
            // The information items show the clicked row; the others are
            // read-only where the profile has no use for them.
            const bool information = address->category == QLatin1String("General") ||
                                     address->category == QLatin1String("Output Duration");
            return Expected<bool>::failure(
                information ? tr("the item \"%1\" only shows the clicked row and cannot be set")
                                  .arg(caption)
                            : tr("the item \"%1\" does not apply to this profile").arg(caption));
        }
        const Expected<QString> value =
            sheet.acceptedValue(address->category, address->item, assignment.mid(eq + 1));
        if (!value)
            return Expected<bool>::failure(tr("%1: %2").arg(caption, value.error()));
        sheet.setValue(address->category, address->item, *value);
    }
    return true;
}

SheetOptions::SheetOptions(QCommandLineParser &parser)
    : m_profile(QStringLiteral("profile"),
                tr("Output profile entry number (1-%1).").arg(kLastEntry), QStringLiteral("N")),
      m_apply(QStringLiteral("apply"), tr("Entry picked before N (repeatable, in order)."),
              QStringLiteral("M")),
      m_set(QStringLiteral("set"), tr("Sets an option sheet item after the defaults (repeatable)."),
            QStringLiteral("ITEM=VALUE")),
      m_fitSize(QStringLiteral("fit-size"),
                tr("Fits the file under a size (today's video entries): \"10MB\", \"300kB\"; the "
                   "same as --set \"Fit To Size=10 MB\"."),
                QStringLiteral("SIZE")),
      m_loudness(QStringLiteral("loudness"),
                 tr("Brings the sound to a loudness in LUFS, -31 to -5 (today's entries that "
                    "encode sound): the same as --set \"Loudness=-16 LUFS\"."),
                 QStringLiteral("LUFS")),
      m_soundTracks(QStringLiteral("sound-tracks"),
                    tr("Which sounds are kept (today's entries that convert): best, languages "
                       "(the best of each preferred language), main (all but commentaries and "
                       "descriptions) or all."),
                    QStringLiteral("RULE")),
      m_subtitles(QStringLiteral("subtitles"),
                  tr("Which subtitles are kept (today's video entries that convert): none, "
                     "languages, all or forced-burned (the sound's forced subtitle drawn into "
                     "the picture)."),
                  QStringLiteral("RULE")),
      m_languages(QStringLiteral("languages"),
                  tr("The preferred languages, ISO 639-2 codes first preferred first: "
                     "\"eng,deu\"; the preferences' when not given."),
                  QStringLiteral("CODES"))
{
    parser.addOptions({m_profile, m_apply, m_set, m_fitSize, m_loudness, m_soundTracks, m_subtitles,
                       m_languages});
}

Expected<int> SheetOptions::apply(const QCommandLineParser &parser, OptionSheet &sheet) const
{
    if (!parser.isSet(m_profile))
        return Expected<int>::failure(tr("--profile is required"));
    const Expected<int> profile =
        parseEntryNumber(QStringLiteral("--profile"), parser.value(m_profile));
    if (!profile)
        return profile;
    if (const CatalogueEntry *entry = catalogueEntry(*profile); entry->isGroup())
        return Expected<int>::failure(groupRefusal(*entry));
    const Expected<bool> picked =
        applyPicks(sheet, parser.values(m_apply), QStringLiteral("--apply"));
    applyProfileDefaults(sheet, *profile);
    if (!picked)
        return Expected<int>::failure(picked.error());
    QStringList sets = parser.values(m_set);
    if (parser.isSet(m_fitSize))
        sets << QStringLiteral("Fit To Size=") + parser.value(m_fitSize);
    if (parser.isSet(m_loudness))
        sets << QStringLiteral("Loudness=") + parser.value(m_loudness);
    // The rules' words become the sheet's.
    if (parser.isSet(m_soundTracks)) {
        const Expected<SoundTracks> rule = soundTracksOf(parser.value(m_soundTracks));
        if (!rule)
            return Expected<int>::failure(rule.error());
        for (const SoundTracksName &name : soundTracksNames()) {
            if (name.rule == *rule)
                sets << QStringLiteral("Sound Tracks=") + QLatin1String(name.sheet);
        }
    }
    if (parser.isSet(m_subtitles)) {
        const Expected<SubtitleTracks> rule = subtitleTracksOf(parser.value(m_subtitles));
        if (!rule)
            return Expected<int>::failure(rule.error());
        for (const SubtitleTracksName &name : subtitleTracksNames()) {
            if (name.rule == *rule)
                sets << QStringLiteral("Subtitles=") + QLatin1String(name.sheet);
        }
    }
    const Expected<bool> set = applySets(sheet, sets);
    if (!set)
        return Expected<int>::failure(set.error());
    return profile;
}

Expected<std::optional<QStringList>> SheetOptions::languages(const QCommandLineParser &parser) const
{
    using Languages = Expected<std::optional<QStringList>>;
    if (!parser.isSet(m_languages))
        return std::optional<QStringList>();
    const Expected<QStringList> codes = languageCodesOf(parser.value(m_languages));
    if (!codes)
        return Languages::failure(QStringLiteral("--languages: ") + codes.error());
    return std::optional<QStringList>(*codes);
}

} // namespace vantrel::cli
