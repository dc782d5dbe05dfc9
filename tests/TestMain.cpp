#include <QCoreApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Settings and statistics files of the tests never touch the build's
    // program folder or the user's data folder.
    QTemporaryDir dataFolder;
    if (qEnvironmentVariableIsEmpty("VANTREL_DATA_DIR"))
        qputenv("VANTREL_DATA_DIR", dataFolder.path().toUtf8());
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrel-tests"));
    return RUN_ALL_TESTS();
}
