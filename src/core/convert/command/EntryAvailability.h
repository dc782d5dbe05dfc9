#pragma once

#include <QMap>
#include <QSet>
#include <QString>

namespace vantrel {

// The entries whose default command names an encoder that `installed` lacks,
// with why (for the profile combo to show them unavailable).
QMap<int, QString> unavailableEntries(const QSet<QString> &installed, const QString &encoderPath);

} // namespace vantrel
