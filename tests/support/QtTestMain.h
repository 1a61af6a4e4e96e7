// The main function of the Qt Test executables (the palettes and dialogs, the
// widget kit): a registry of test classes by name and the runner that makes
// the application and runs one of them, or all. Header only: the engine's
// test support builds without Qt Widgets.
#pragma once

#include <QApplication>
#include <QObject>
#include <QTest>

#include <clocale>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace velmo::test {

using TestClassFactory = std::function<QObject*()>;

// The test classes of this executable, by name.
inline std::map<std::string, TestClassFactory>& TestClassRegistry()
{
    static std::map<std::string, TestClassFactory> registry;
    return registry;
}

// `program [TestClass [Qt Test options]]`: runs the named test class, or all
// of them, with the remaining arguments. Returns 0 when every test passed,
// 1 when any failed and 2 when no class has that name.
inline int RunTestClasses(int argc, char** argv)
{
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
    for (const auto& [name, factory] : TestClassRegistry()) {
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

} // namespace velmo::test
