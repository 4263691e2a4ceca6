#pragma once

// The few operations the drill's logic needs of the main window's controls and of the
// platform. The logic sees nothing else, so it runs against the real widgets and against
// small fakes alike.

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <stdexcept>
#include <string>

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

// A text is blank when nothing but U+0020 spaces is in it; tabs and U+3000 are content.
inline bool isBlank(QStringView text)
{
    for (QChar c : text) {
        if (c != u' ')
            return false;
    }
    return true;
}

// The lesson list: entries in the order they were added, each with a selected flag, and a
// current index. Counts and indexes are 16-bit, so the list holds at most 32767 entries.
// Every operation is O(1). An index outside 0 … count − 1 is a RuntimeError.
class ListOps {
public:
    static constexpr int maxCount = 32767;

    virtual ~ListOps() = default;
    virtual void AddItem(const QString& text) = 0;
    virtual qint16 ListCount() const = 0;
    virtual qint16 SelCount() const = 0;
    virtual bool Selected(int index) const = 0;
    virtual void setSelected(int index, bool selected) = 0;
    virtual QString List(int index) const = 0;
    virtual qint16 ListIndex() const = 0;
    // Also accepts −1, which leaves no entry current. Never changes a flag.
    virtual void setListIndex(int index) = 0;
};

class TextBoxOps {
public:
    virtual ~TextBoxOps() = default;
    virtual QString Text() const = 0;
    virtual void setText(const QString& text) = 0;
    // Repaints at once, before the caller goes on.
    virtual void Refresh() = 0;
};

class CheckBoxOps {
public:
    enum : int { Unchecked = 0, Checked = 1, Grayed = 2 };
    virtual ~CheckBoxOps() = default;
    virtual int Value() const = 0;
};

class CaptionOps {
public:
    virtual ~CaptionOps() = default;
    virtual void setCaption(const QString& caption) = 0;
};

class MessageBoxOps {
public:
    // Style values of the classic message box: buttons plus icon.
    enum : int { OkOnly = 0, Critical = 16, Exclamation = 48 };
    virtual ~MessageBoxOps() = default;
    // Modal; returns when the user has closed it. The application title is the box's title.
    virtual void show(const QString& text, int style) = 0;
};

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
