#include "gui/app/Skin.h"

#include "core/common/Logging.h"
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
    qCInfo(lcApp).noquote() << "skin:" << styleSheetFile;
    return true;
}

QString installedSkinFile()
{
    return AppPaths::shippedFile(QStringLiteral("skins/frmmain.qss"));
}

} // namespace vantrel
