// velmo_gui_kit_tests [TestClass [Qt Test options]]: runs one registered
// test class, or all of them, on the offscreen platform.
#include "tests/platform_gui/KitTest.h"
#include "tests/support/QtTestMain.h"

#include <cstdlib>

namespace velmo::test {

bool RegisterKitTest(const char* name, std::function<QObject*()> factory)
{
    TestClassRegistry()[name] = std::move(factory);
    return true;
}

} // namespace velmo::test

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return velmo::test::RunTestClasses(argc, argv);
}
