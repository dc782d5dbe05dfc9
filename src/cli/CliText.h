#pragma once

#include <QCoreApplication>
#include <QString>

namespace vantrel::cli {

// The terminal's own texts, translatable as the windows' texts are.
inline QString tr(const char *text)
{
    return QCoreApplication::translate("vantrel-cli", text);
}

} // namespace vantrel::cli
