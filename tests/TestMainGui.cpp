#include <QApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

// Window tests run on the offscreen platform unless told otherwise.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Settings and statistics files of the tests never touch the build's
    // program folder or the user's data folder.
    QTemporaryDir dataFolder;
    if (qEnvironmentVariableIsEmpty("VANTREL_DATA_DIR"))
        qputenv("VANTREL_DATA_DIR", dataFolder.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel-tests"));
    return RUN_ALL_TESTS();
}
