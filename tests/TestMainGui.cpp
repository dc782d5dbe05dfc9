#include <QApplication>

#include <gtest/gtest.h>

// Window tests run on the offscreen platform unless told otherwise.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel-tests"));
    return RUN_ALL_TESTS();
}
