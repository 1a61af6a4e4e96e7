// The GUI test executable's registry: every test class registers itself and
// the main runs the one named on the command line (or all).
#pragma once

#include <QObject>

#include <functional>

namespace velmo::test {

using AppTestFactory = std::function<QObject*()>;
bool RegisterAppTest(const char* name, AppTestFactory factory);

} // namespace velmo::test

#define VELMO_APP_TEST(Class) \
    static const bool Class##Registered = ::velmo::test::RegisterAppTest(#Class, [] { return new Class; })
