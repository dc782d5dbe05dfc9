#pragma once

#include "core/common/FileNames.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace vantrel {

// An exclusive claim on a file name in a folder that other programs, here or
// on other machines, may write too: a hidden marker beside the name
// (".clip.mp4.vantrel-claim", holding the host tag and process id), made only
// when there is none (O_CREAT|O_EXCL, which NFS keeps too). The marker goes
// with the claim; a killed program's marker is swept like its other files.
class NameClaim
{
public:
    // The claim on `path`; none when another holds it. In a folder where no
    // marker can be made the claim holds nothing, and nobody else's either.
    static std::unique_ptr<NameClaim> take(const QString &path);
    ~NameClaim();
    NameClaim(const NameClaim &) = delete;
    NameClaim &operator=(const NameClaim &) = delete;

    static QString markerPathFor(const QString &path);
    // Whether a file's name is that of a claim's marker.
    static bool isMarkerName(const QString &fileName);
    // The owner a marker's text names; none when it names none.
    static std::optional<LeftoverOwner> ownerOfMarker(const QByteArray &text);

private:
    explicit NameClaim(QString marker) : m_marker(std::move(marker)) {}

    QString m_marker; // empty: nothing was made
};

} // namespace vantrel
