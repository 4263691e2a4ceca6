#pragma once

// The few operations the drill's logic needs of the main window's controls. The logic sees
// nothing else, so it runs against the real widgets and against small fakes alike.

#include "core/errors.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace mulo {

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

// Where a question came from: the lesson text it was taken from, and the code unit of that
// text where the question starts (0 for a whole lesson). Answer speaking reads a character
// alone as this lesson reads it.
struct QuestionPlace {
    QString lesson;
    qsizetype at = 0;
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
    // Style values: the buttons plus the icon, added together.
    enum : int { OkOnly = 0, Critical = 16, Exclamation = 48 };
    virtual ~MessageBoxOps() = default;
    // Modal; returns when the user has closed it. The application title is the box's title.
    virtual void show(const QString& text, int style) = 0;
};

} // namespace mulo
