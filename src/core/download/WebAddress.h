#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace vantrel {

// Only web addresses leave the program: whatever a page names (a stream, a
// picture, a redirect) is fetched or played only when it is http or https
// with a host. Anything else (file:, data:, ftp:, tv:, a relative address)
// could make the network layer or the player read local things.
bool isWebAddress(const QUrl &url);

// Why an address is refused, naming its scheme; none for a web address.
std::optional<QString> nonWebAddressReason(const QUrl &url);

} // namespace vantrel
