#pragma once

// Small stand-ins for the controls and platform services, for tests of the logic.

#include "core/controls.h"
#include "core/services.h"

#include <QList>
#include <QStringList>
#include <deque>

namespace mulo::test {

struct FakeTextBox : TextBoxOps {
    QString text;
    int refreshes = 0;
    QString Text() const override { return text; }
    void setText(const QString& t) override { text = t; }
    void Refresh() override { ++refreshes; }
};

struct FakeCheckBox : CheckBoxOps {
    int value = Checked;
    explicit FakeCheckBox(int v = Checked) : value(v) {}
    int Value() const override { return value; }
};

struct FakeCaption : CaptionOps {
    QString caption = QStringLiteral(MULO_TITLE);
    void setCaption(const QString& c) override { caption = c; }
};

struct RecordingMessageBox : MessageBoxOps {
    struct Shown {
        QString text;
        int style;
    };
    QList<Shown> shown;
    void show(const QString& text, int style) override { shown.append({text, style}); }
};

struct FakeAppInfo : AppInfo {
    QString path = QStringLiteral("/opt/mulo");
    QString Path() const override { return path; }
    QString Title() const override { return QStringLiteral(MULO_TITLE); }
    qint16 Major() const override { return 1; }
    qint16 Minor() const override { return 0; }
    qint16 Revision() const override { return 2; }
};

// Hands out the values it is given, in order; fails when they run out.
struct ScriptedRandom : RandomSource {
    std::deque<double> values;
    int reseeds = 0;
    int draws = 0;
    ScriptedRandom(std::initializer_list<double> v = {}) : values(v) {}
    void reseedFromClock() override { ++reseeds; }
    double next() override
    {
        if (values.empty())
            throw RuntimeError(QStringLiteral("no scripted value left"));
        ++draws;
        const double u = values.front();
        values.pop_front();
        return u;
    }
};

} // namespace mulo::test
