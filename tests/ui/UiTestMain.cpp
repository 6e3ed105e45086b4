// One QApplication for the whole test program, on Qt's offscreen platform
// unless another one is asked for, started up as the program starts; the
// program's settings in a folder of the test's own.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "ui/Startup.h"

int main(int argc, char** argv) {
    const QTemporaryDir settings;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // A desktop's screen of 1920 x 1200 at 96 dots per inch rather than
        // the platform's 800 x 600: the window keeps its whole size on it,
        // as on the users' screens.
        const QString screens = settings.filePath("screens.json");
        QFile file(screens);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1920,
                "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            file.close();
        }
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
    }
    QApplication application(argc, argv);
    pivora::StartUp();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
