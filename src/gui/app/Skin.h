#pragma once

#include <QString>

class QApplication;

namespace vantrel {

// The skin is a Qt style sheet, applied to every window of the program.
// Returns false, leaving the look as it is, when the file cannot be read.
bool applySkin(QApplication &app, const QString &styleSheetFile);

// skins/frmmain.qss in the program folder.
QString installedSkinFile();

} // namespace vantrel
