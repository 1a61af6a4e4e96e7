// The kit test executable's registry: every test class registers itself and
// the main runs the one named on the command line (or all).
#pragma once

#include <QObject>

#include <functional>

namespace velmo::test {

bool RegisterKitTest(const char* name, std::function<QObject*()> factory);

} // namespace velmo::test

#define VELMO_KIT_TEST(Class) \
    static const bool Class##Registered = ::velmo::test::RegisterKitTest(#Class, [] { return new Class; })
