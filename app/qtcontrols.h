#pragma once

// The control operations over the real Qt widgets.

#include "core/controls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QValidator>
#include <algorithm>

namespace mulo {

class LineEditText : public TextBoxOps {
public:
    explicit LineEditText(QLineEdit* edit) : m_edit(edit) {}
    QString Text() const override { return m_edit->text(); }
    void setText(const QString& text) override { m_edit->setText(text); }
    void Refresh() override { m_edit->repaint(); }

private:
    QLineEdit* m_edit;
};

// Keeps a one-line box to one line of whole characters. A paste is cut at its first line
// break (the rest of the line the user had stays); a character of two UTF-16 units that the
// box's length limit would split is left out whole.
class OneLineOfWholeCharacters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& text, int& cursor) const override
    {
        const auto lineBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
        // What was just inserted ends at the cursor; a line break in it ends the insert.
        const auto first = std::find_if(text.cbegin(), text.cend(), lineBreak);
        const qsizetype at = first - text.cbegin();
        if (first != text.cend() && at < cursor) {
            text.remove(at, cursor - at);
            cursor = int(at);
        }
        text.removeIf(lineBreak);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool paired =
                text[i].isHighSurrogate()
                    ? i + 1 < text.size() && text[i + 1].isLowSurrogate()
                    : !text[i].isLowSurrogate() || (i > 0 && text[i - 1].isHighSurrogate());
            if (!paired) {
                text.remove(i, 1);
                if (cursor > i)
                    --cursor;
                --i;
            }
        }
        return Acceptable;
    }
};

class CheckBoxValue : public CheckBoxOps {
public:
    explicit CheckBoxValue(QCheckBox* box) : m_box(box) {}
    int Value() const override
    {
        switch (m_box->checkState()) {
        case Qt::Checked:
            return Checked;
        case Qt::PartiallyChecked:
            return Grayed;
        default:
            return Unchecked;
        }
    }

private:
    QCheckBox* m_box;
};

// A modal box over the main window, titled with the application title.
class WidgetMessageBox : public MessageBoxOps {
public:
    WidgetMessageBox(QWidget* parent, QString title) : m_parent(parent), m_title(std::move(title))
    {}
    void show(const QString& text, int style) override
    {
        const int icon = style & 0x70;
        QMessageBox box(icon == Critical      ? QMessageBox::Critical
                        : icon == Exclamation ? QMessageBox::Warning
                                              : QMessageBox::NoIcon,
                        m_title, text, QMessageBox::Ok, m_parent);
        box.setWindowModality(Qt::WindowModal);
        box.setAttribute(Qt::WA_WindowPropagation); // the window's font and colours
        box.exec();
    }

private:
    QWidget* m_parent;
    QString m_title;
};

} // namespace mulo
