#include "platform/Drives.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

TEST(Drives, MapsWindowsPathsUnderTheDriveRoots)
{
    const QString root = TestEnvironment::fresh();
    EXPECT_EQ(Drives::hostPath(QStringLiteral("C:\\Orvane\\Sorvik\\01A2005C.DAT")),
              root + QStringLiteral("/drive_c/Orvane/Sorvik/01A2005C.DAT"));
    EXPECT_EQ(Drives::hostPath(QStringLiteral("a:\\")), root + QStringLiteral("/drive_a"));
    EXPECT_EQ(Drives::hostPath(QStringLiteral("C:\\Orvane\\..\\..\\..\\etc")), root + QStringLiteral("/drive_c/etc"));
    EXPECT_TRUE(Drives::isRemovable(QStringLiteral("A:\\X.zip")));
    EXPECT_FALSE(Drives::isRemovable(QStringLiteral("C:\\Orvane\\Sorvik")));
}

TEST(Drives, DefaultsUnderTheDataHome)
{
    TestEnvironment::fresh();
    qunsetenv("SORVIK_DRIVE_C");
    qputenv("XDG_DATA_HOME", "/tmp/somewhere");
    EXPECT_EQ(Drives::driveRoot(QLatin1Char('c')), QStringLiteral("/tmp/somewhere/sorvik/drive_c"));
    TestEnvironment::fresh();
}
