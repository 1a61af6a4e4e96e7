// velmo_gui_kit_tests [TestClass [Qt Test options]]: runs one registered
// test class, or all of them, on the offscreen platform.
#include "tests/platform_gui/KitTest.h"

#include <QApplication>
#include <QTest>

#include <clocale>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace velmo::test {

namespace {

std::map<std::string, std::function<QObject*()>>& Registry()
{
    static std::map<std::string, std::function<QObject*()>> registry;
    return registry;
}

} // namespace

bool RegisterKitTest(const char* name, std::function<QObject*()> factory)
{
    Registry()[name] = std::move(factory);
    return true;
}

} // namespace velmo::test

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // Qt takes the user's locale; the number texts are the "C" ones.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList args = QApplication::arguments();
    std::string only;
    if (args.size() > 1 && !args[1].startsWith('-')) {
        only = args[1].toStdString();
        args.removeAt(1);
    }
    int failures = 0;
    bool ran = false;
    for (const auto& [name, factory] : velmo::test::Registry()) {
        if (!only.empty() && name != only)
            continue;
        ran = true;
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), args);
    }
    if (!ran) {
        qWarning("no test class named %s", only.c_str());
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
