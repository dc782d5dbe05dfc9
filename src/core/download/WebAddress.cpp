#include "core/download/WebAddress.h"

#include <QCoreApplication>

namespace vantrel {

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

std::optional<QString> nonWebAddressReason(const QUrl &url)
{
    if (isWebAddress(url))
        return std::nullopt;
    const QString scheme = url.scheme().left(20);
    const QString what =
        scheme.isEmpty()
            ? QCoreApplication::translate("WebAddress", "an address without a scheme")
            : QCoreApplication::translate("WebAddress", "a \"%1:\" address").arg(scheme);
    return QCoreApplication::translate(
               "WebAddress", "Only web addresses (http and https) are fetched; %1 is refused.")
        .arg(what);
}

} // namespace vantrel
