#pragma once

// The platform services the logic uses beyond the window: facts about the program, and
// random numbers. Production has the real ones, tests their fakes.

#include <QString>
#include <QtGlobal>

namespace mulo {

class AppInfo {
public:
    virtual ~AppInfo() = default;
    // The program's directory, without a trailing separator except at the root.
    virtual QString Path() const = 0;
    virtual QString Title() const = 0;
    virtual qint16 Major() const = 0;
    virtual qint16 Minor() const = 0;
    virtual qint16 Revision() const = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void reseedFromClock() = 0;
    // Uniform over [0, 1): 0 can occur, 1 never.
    virtual double next() = 0;
};

} // namespace mulo
