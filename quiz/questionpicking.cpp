#include "questionpicking.h"

#include <cmath>

namespace mulo {

namespace {

bool ticked(const CheckBoxOps& box)
{
    return box.Value() == CheckBoxOps::Checked;
}

// The (k+1)-th selected entry in list order.
int nthSelected(const ListOps& list, int count, int k)
{
    for (int i = 0, seen = 0; i < count; ++i) {
        if (list.Selected(i) && seen++ == k)
            return i;
    }
    throw RuntimeError(QStringLiteral("找不到第 %1 个选中的课文").arg(k + 1));
}

// In order among the selected lessons: the selected lesson after the first one whose text
// equals the current entry's, wrapping to the first; with no current entry, or one whose
// text no selected lesson has, the first selected lesson. Returns its text; the entry made
// current is the first selected entry that contains that text.
QString nextSelectedInOrder(ListOps& list, int count)
{
    const int current = list.ListIndex();
    const QString currentEntry = current >= 0 ? list.List(current) : QString();
    const QStringView currentText = current >= 0 ? lessonText(currentEntry) : QStringView();

    int first = -1;
    int next = -1;
    bool matched = false;
    for (int i = 0; i < count && next < 0; ++i) {
        if (!list.Selected(i))
            continue;
        if (first < 0)
            first = i;
        if (matched)
            next = i;
        else if (current >= 0 && lessonText(list.List(i)) == currentText)
            matched = true;
    }
    const QString text = lessonText(list.List(next >= 0 ? next : first)).toString();

    for (int i = 0; i < count; ++i) {
        if (list.Selected(i) && list.List(i).contains(text)) {
            list.setListIndex(i);
            break;
        }
    }
    return text;
}

} // namespace

QStringView lessonText(QStringView entry)
{
    return entry.size() <= 4 ? entry : entry.last(4);
}

int randomPosition(double u, int count)
{
    return int(std::floor(u * (count - 1) + 0.5));
}

int randomCharacterPosition(double u)
{
    return int(std::floor(3 * u + 0.5)) + 1;
}

void cmdTest_Click(QuizControls& c)
{
    const int selected = c.list.SelCount();
    const int count = c.list.ListCount();
    const bool atRandom = ticked(c.chkRnd);
    if (count == 0)
        return;

    QString text;
    if (atRandom) {
        c.random.reseedFromClock();
        const double u = c.random.next();
        const int index = selected == 0 ? randomPosition(u, count)
                                        : nthSelected(c.list, count, randomPosition(u, selected));
        c.list.setListIndex(index);
        text = lessonText(c.list.List(index)).toString();
    } else if (selected == 0) {
        const int current = c.list.ListIndex();
        const int index = current == -1 || current + 1 >= count ? 0 : current + 1;
        c.list.setListIndex(index);
        text = lessonText(c.list.List(index)).toString();
    } else {
        text = nextSelectedInOrder(c.list, count);
    }

    if (ticked(c.chkSingle)) {
        const int position = atRandom ? randomCharacterPosition(c.random.next()) : 1;
        text = text.mid(position - 1, 1);
    }
    c.txtTi.setText(text);
}

} // namespace mulo
