#include "gui/app/Skin.h"

#include "core/settings/AppPaths.h"

#include <QApplication>
#include <QFile>

namespace vantrel {

bool applySkin(QApplication &app, const QString &styleSheetFile)
{
    QFile skin(styleSheetFile);
    if (!skin.open(QIODevice::ReadOnly))
        return false;
    app.setStyleSheet(QString::fromUtf8(skin.readAll()));
    return true;
}

QString installedSkinFile()
{
    return AppPaths::join(AppPaths::join(AppPaths::programFolder(), QStringLiteral("skins")),
                          QStringLiteral("frmmain.qss"));
}

} // namespace vantrel
