#pragma once

#include <QString>

#include <optional>

namespace vantrel {

// Why a file that appears in a watched folder is passed over, by its path
// under the folder: a name that downloaders and copiers give a file while
// they write it (".part", ".crdownload", ".tmp", ".!qB"), a hidden file or
// folder, a folder an unpacker fills ("_UNPACK_..."), or a type the program
// does not take; none when it may join once it holds still.
std::optional<QString> passedOverReason(const QString &relativePath);

} // namespace vantrel
