#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Window tests that need a real X server. Without a DISPLAY the application
// still starts (offscreen), so that every test can report itself skipped.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Settings and statistics files of the tests never touch the build's
    // program folder or the user's data folder.
    QTemporaryDir dataFolder;
    if (qEnvironmentVariableIsEmpty("VANTREL_DATA_DIR"))
        qputenv("VANTREL_DATA_DIR", dataFolder.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel-tests"));
    return RUN_ALL_TESTS();
}
