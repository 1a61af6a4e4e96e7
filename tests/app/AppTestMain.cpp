// velmo_app_tests [TestClass [Qt Test options]]: runs one registered test
// class, or all of them, on the offscreen platform with a 2560 x 1600
// screen, the settings and XDG folders in a temporary directory.
#include "tests/app/AppTest.h"
#include "tests/support/QtTestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>

namespace velmo::test {

bool RegisterAppTest(const char* name, AppTestFactory factory)
{
    TestClassRegistry()[name] = std::move(factory);
    return true;
}

} // namespace velmo::test

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QByteArray root = QFile::encodeName(home.path());
    for (const char* dir : {"config", "data", "cache", "runtime"})
        QDir(home.path()).mkpath(QString::fromLatin1(dir));
    QFile::setPermissions(home.path() + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner);
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    setenv("LC_NUMERIC", "C", 1);

    // A screen large enough for every preview size with its palettes.
    const QString screens = home.path() + "/screens.json";
    QFile config(screens);
    if (!config.open(QIODevice::WriteOnly))
        return 2;
    config.write(R"({"screens":[{"name":"test","x":0,"y":0,"width":2560,"height":1600,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    config.close();
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || std::strcmp(platform, "offscreen") == 0)
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + QFile::encodeName(screens)).constData(), 1);

    return velmo::test::RunTestClasses(argc, argv);
}
