#pragma once

// The failures a handler can end with.

#include <QString>
#include <stdexcept>

namespace mulo {

// A failure that ends the handler it occurs in and passes to the caller. Each handler's
// caller decides what the user sees (see Form1's error boundary).
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const QString& what) : std::runtime_error(what.toStdString()) {}
};

// A failure whose message is written for the person at the computer (no browser for a page,
// say): it is shown as it is, with a warning, rather than reported as a fault of a handler.
class UserError : public RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

} // namespace mulo
