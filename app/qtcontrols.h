#pragma once

// The control operations over the real Qt widgets.

#include "controls/controls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>

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
        box.exec();
    }

private:
    QWidget* m_parent;
    QString m_title;
};

} // namespace mulo
