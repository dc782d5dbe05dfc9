#include "core/profiles/OptionSheet.h"

#include "core/records/OutputTargets.h"

namespace vantrel {

namespace {

struct InitialItem
{
    const char *category;
    const char *item;
    OptionSheet::ItemKind kind;
    const char *value;
    std::vector<const char *> choices;
    bool readOnly;
};

using K = OptionSheet::ItemKind;

// The sheet as built, categories and items in display order. The bitrate list
// has 1152 after 1500 on purpose: that is the order users know.
const std::vector<InitialItem> &initialSheet()
{
    static const std::vector<InitialItem> items = {
        {"General", "Item Name", K::Text, "Auto", {}, true},
        {"Output Duration", "All Clip Duration", K::Text, "00:00:00", {}, true},
        {"Output Duration", "Start Time", K::Text, "00:00:00", {}, true},
        {"Output Duration", "Stop Time", K::Text, "00:00:00", {}, true},
        {"Video Options", "Video Codec", K::Choice, "xvid", {"xvid", "mpeg4", "x264"}, false},
        {"Video Options",
         "Video Size",
         K::Choice,
         "320x240",
         {"320x240", "480x270", "480x320", "640x480"},
         false},
        {"Video Options",
         "Video Bitrate",
         K::Choice,
         "256",
         {"48", "64", "128", "192", "256", "512", "768", "1000", "1500", "1152", "2500"},
         false},
        {"Video Options",
         "Video Framerate",
         K::Choice,
         "29.97",
         {"Auto", "8", "10", "12", "15", "23.976", "24", "25", "29.97", "30"},
         false},
        {"Video Options", "Aspect Ratio", K::Choice, "4:3", {"4:3", "16:9"}, false},
        // Today's entries offer these; the entries of old show them off.
        {"Video Options", "Fit To Size", K::TypedChoice, "Off", {}, true},
        {"Video Options", "Subtitles", K::Choice, "None", {}, true},
        {"Video Options", "HDR", K::Choice, "Standard range (8-bit)", {}, true},
        {"Audio Options", "Audio Codec", K::Choice, "aac", {"aac", "mp3", "ogg"}, false},
        {"Audio Options",
         "Audio Bitrate",
         K::Choice,
         "128",
         {"32", "40", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224", "256",
          "320"},
         false},
        {"Audio Options",
         "Sample Rate",
         K::Choice,
         "44100",
         {"8000", "11025", "22050", "24000", "32000", "44100", "48000"},
         false},
        {"Audio Options", "Audio Channel", K::Choice, "2", {"1", "2"}, false},
        {"Audio Options", "Loudness", K::TypedChoice, "Same as source", {}, true},
        {"Audio Options", "Sound Tracks", K::Choice, "Best one", {}, true},
        {"Audio Options", "Disable Audio", K::Choice, "No", {"No", "Yes"}, false},
        {"Audio Options", "A/V Sync", K::Choice, "Basic", {"Basic", "Default"}, false},
    };
    return items;
}

const QString kGeneral = QStringLiteral("General");
const QString kDuration = QStringLiteral("Output Duration");

} // namespace

OptionSheet::OptionSheet(QObject *parent) : QObject(parent) {}

void OptionSheet::build()
{
    m_categories.clear();
    for (const InitialItem &initial : initialSheet()) {
        const QString category = QString::fromUtf8(initial.category);
        if (m_categories.empty() || m_categories.back().caption != category)
            m_categories.push_back({category, {}});
        Item item;
        item.caption = QString::fromUtf8(initial.item);
        item.kind = initial.kind;
        item.value = QString::fromUtf8(initial.value);
        for (const char *choice : initial.choices)
            item.choices.append(QString::fromUtf8(choice));
        item.readOnly = initial.readOnly;
        m_categories.back().items.push_back(item);
    }
    Q_EMIT rebuilt();
}

const OptionSheet::Item *OptionSheet::item(const QString &category, const QString &item) const
{
    for (const Category &c : m_categories) {
        if (c.caption != category)
            continue;
        for (const Item &i : c.items) {
            if (i.caption == item)
                return &i;
        }
    }
    return nullptr;
}

OptionSheet::Item *OptionSheet::findMutable(const QString &category, const QString &item)
{
    return const_cast<Item *>(static_cast<const OptionSheet *>(this)->item(category, item));
}

QString OptionSheet::value(const QString &category, const QString &item) const
{
    const Item *found = this->item(category, item);
    return found ? found->value : QString();
}

bool OptionSheet::setValue(const QString &category, const QString &item, const QString &value)
{
    Item *found = findMutable(category, item);
    if (!found)
        return false;
    if (found->value != value) {
        found->value = value;
        Q_EMIT itemChanged(category, item);
    }
    return true;
}

bool OptionSheet::clearChoices(const QString &category, const QString &item)
{
    Item *found = findMutable(category, item);
    if (!found)
        return false;
    if (!found->choices.isEmpty()) {
        found->choices.clear();
        Q_EMIT itemChanged(category, item);
    }
    return true;
}

bool OptionSheet::appendChoice(const QString &category, const QString &item, const QString &choice)
{
    Item *found = findMutable(category, item);
    if (!found)
        return false;
    found->choices.append(choice);
    Q_EMIT itemChanged(category, item);
    return true;
}

bool OptionSheet::setReadOnly(const QString &category, const QString &item, bool readOnly)
{
    Item *found = findMutable(category, item);
    if (!found)
        return false;
    if (found->readOnly != readOnly) {
        found->readOnly = readOnly;
        Q_EMIT itemChanged(category, item);
    }
    return true;
}

bool OptionSheet::resetItem(const QString &category, const QString &item)
{
    Item *found = findMutable(category, item);
    if (!found)
        return false;
    for (const InitialItem &initial : initialSheet()) {
        if (category != QLatin1String(initial.category) || item != QLatin1String(initial.item))
            continue;
        found->value = QString::fromUtf8(initial.value);
        found->choices.clear();
        for (const char *choice : initial.choices)
            found->choices.append(QString::fromUtf8(choice));
        found->readOnly = initial.readOnly;
        Q_EMIT itemChanged(category, item);
    }
    return true;
}

std::optional<OptionSheet::ItemAddress> OptionSheet::findItem(const QString &itemCaption) const
{
    std::optional<ItemAddress> found;
    for (const Category &c : m_categories) {
        for (const Item &i : c.items) {
            if (i.caption != itemCaption)
                continue;
            if (found)
                return std::nullopt; // not unique
            found = ItemAddress{c.caption, i.caption};
        }
    }
    return found;
}

Expected<QString> OptionSheet::acceptedValue(const QString &category, const QString &item,
                                             const QString &text) const
{
    const Item *found = this->item(category, item);
    if (!found || found->kind != ItemKind::TypedChoice)
        return text;
    if (item == QLatin1String("Fit To Size")) {
        const Expected<std::optional<qint64>> limit = fitSizeBytes(text);
        if (!limit)
            return Expected<QString>::failure(limit.error());
        return *limit ? fitSizeText(**limit) : fitSizeOff();
    }
    if (item == QLatin1String("Loudness")) {
        const Expected<std::optional<double>> target = loudnessTarget(text);
        if (!target)
            return Expected<QString>::failure(target.error());
        return *target ? loudnessText(**target) : loudnessAsSource();
    }
    return text;
}

void OptionSheet::showSourceRow(const SourceItem *row)
{
    if (!row)
        return;
    setValue(kGeneral, QStringLiteral("Item Name"), row->fileName);
    setValue(kDuration, QStringLiteral("All Clip Duration"), QString());
    setValue(kDuration, QStringLiteral("Start Time"), row->clipStart);
    setValue(kDuration, QStringLiteral("Stop Time"), row->clipEnd);
}

ConversionOptions OptionSheet::conversionOptions() const
{
    return readConversionOptions(
        [this](const QString &category, const QString &item) { return value(category, item); });
}

} // namespace vantrel
