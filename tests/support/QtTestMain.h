// The main function of the Qt Test executables (the palettes and dialogs, the
// widget kit): a registry of test classes by name and the runner that makes
// the application and runs one of them, or all. Header only: the engine's
// test support builds without Qt Widgets.
#pragma once

#include <QApplication>
#include <QMetaMethod>
#include <QObject>
#include <QTest>

#include <clocale>
#include <cstdio>
#include <cstdlib>
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

// The test functions of a test class (its private slots but Qt Test's
// set-up and clean-up slots and the data functions), in declaration order.
inline QStringList TestFunctions(const QMetaObject& meta)
{
    static const QStringList special = {QStringLiteral("initTestCase"), QStringLiteral("cleanupTestCase"),
                                        QStringLiteral("init"), QStringLiteral("cleanup")};
    QStringList names;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Private ||
            method.parameterCount() != 0)
            continue;
        const QString name = QString::fromLatin1(method.name());
        if (!special.contains(name) && !name.endsWith(QLatin1String("_data")))
            names << name;
    }
    return names;
}

// VELMO_TEST_SHARD="k/n" (1 <= k <= n): the k-th of n parts of a class's
// test functions, every n-th from the k-th in declaration order, so that
// ctest runs the parts of a long class side by side. *sharded tells whether
// the variable is set; false when its value cannot be read.
inline bool ShardFunctions(const QMetaObject& meta, bool* sharded, QStringList* functions)
{
    const char* shard = std::getenv("VELMO_TEST_SHARD");
    *sharded = shard != nullptr && *shard != '\0';
    if (!*sharded)
        return true;
    int k = 0, n = 0;
    if (std::sscanf(shard, "%d/%d", &k, &n) != 2 || n < 1 || k < 1 || k > n)
        return false;
    const QStringList all = TestFunctions(meta);
    for (int i = k - 1; i < all.size(); i += n)
        *functions << all[i];
    return true;
}

// `program [TestClass [Qt Test options]]`: runs the named test class, or all
// of them, with the remaining arguments (a part of the class's functions
// when VELMO_TEST_SHARD is set). Returns 0 when every test passed, 1 when
// any failed and 2 when no class has that name or the part cannot be read.
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
        bool sharded = false;
        QStringList functions;
        if (!ShardFunctions(*test->metaObject(), &sharded, &functions)) {
            qWarning("VELMO_TEST_SHARD is not k/n: %s", std::getenv("VELMO_TEST_SHARD"));
            return 2;
        }
        if (!sharded)
            failures += QTest::qExec(test.get(), args);
        else if (!functions.isEmpty())
            failures += QTest::qExec(test.get(), args + functions);
    }
    if (!ran) {
        qWarning("no test class named %s", only.c_str());
        return 2;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace velmo::test
