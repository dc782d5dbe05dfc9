#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace vantrel {

enum class EntryKind
{
    Group,
    Profile
};

// One entry of the profile combo. Entries are known by their number, the
// 1-based position in the list with group headers counted; captions repeat.
struct CatalogueEntry
{
    int number;
    EntryKind kind;
    const char *caption;
    int picture; // group headers: number of the group's picture; profiles: 0

    QString captionText() const { return QString::fromUtf8(caption); }
    bool isGroup() const { return kind == EntryKind::Group; }
};

constexpr int kFirstEntry = 1;
constexpr int kLastEntry = 111;

const std::vector<CatalogueEntry> &profileCatalogue();
// The entry with that number, or null when there is none.
const CatalogueEntry *catalogueEntry(int number);

// The extension of a caption: from its first "." to the ")" that closes the
// pattern (".mp4" from "Apple iPad MPEG-4 Movie(*.mp4)", ".webm" from
// "WebM VP9/Opus Movie(*.webm)"); no value for a caption without ".".
std::optional<QString> outputExtensionOfCaption(const QString &caption);
std::optional<QString> outputExtension(int entryNumber);

} // namespace vantrel
