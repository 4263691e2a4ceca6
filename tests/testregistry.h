#pragma once

// Lets one test executable hold several test classes: each registers itself, and the
// shared main runs them all.

#include <QObject>
#include <functional>
#include <vector>

namespace mulo::test {

inline std::vector<std::function<QObject*()>>& registry()
{
    static std::vector<std::function<QObject*()>> factories;
    return factories;
}

} // namespace mulo::test

#define MULO_REGISTER_TEST(Class)                                                                  \
    static const bool registered##Class =                                                          \
        (mulo::test::registry().push_back([] { return static_cast<QObject*>(new Class); }), true);
