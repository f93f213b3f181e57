// Test entry: one application object per test process, headless, with the user's home and locale
// kept out of reach. Each test that needs clean directories calls TestEnvironment::fresh().
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#ifdef SORVIK_TEST_GUI
#include <QApplication>
#endif
#include <QCoreApplication>
#include <QLocale>

#include <memory>

int main(int argc, char **argv)
{
    // Headless unless a test runs on a real display on purpose (see scripts/with-window-manager.sh).
    const QByteArray platform = qgetenv("SORVIK_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    qputenv("TZ", "UTC");
    qputenv("LC_ALL", "en_US.UTF-8");
    TestEnvironment::fresh();
    std::unique_ptr<QCoreApplication> app;
#ifdef SORVIK_TEST_GUI
    app = std::make_unique<QApplication>(argc, argv);
#else
    app = std::make_unique<QCoreApplication>(argc, argv);
#endif
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
