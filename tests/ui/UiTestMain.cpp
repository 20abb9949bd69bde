// The window tests run without a screen and with a settings store of their own.
#include "support/ScanBuilder.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const quillane::testing::TemporaryFolder configuration;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configuration.path().string()));

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillane"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
