#include "questionpicking.h"

#include <algorithm>
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
    if (entry.size() <= 4)
        return entry;
    qsizetype start = entry.size() - 4;
    if (entry[start].isLowSurrogate() && entry[start - 1].isHighSurrogate())
        --start; // the whole emoji, not its second half
    return entry.sliced(start);
}

qsizetype questionCharacterAt(QStringView text, int position)
{
    // Positions count the last four code units, as the lesson text does without a pair cut.
    qsizetype at = text.size() - std::min<qsizetype>(text.size(), 4) + position - 1;
    if (at < 0 || at >= text.size())
        return -1;
    if (text[at].isLowSurrogate() && at > 0 && text[at - 1].isHighSurrogate())
        --at;
    return at;
}

QString questionCharacter(QStringView text, int position)
{
    const qsizetype at = questionCharacterAt(text, position);
    if (at < 0)
        return {};
    const bool pair =
        text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate();
    return text.sliced(at, pair ? 2 : 1).toString();
}

int randomPosition(double u, int count)
{
    return int(std::floor(u * (count - 1) + 0.5));
}

int randomCharacterPosition(double u)
{
    return int(std::floor(3 * u + 0.5)) + 1;
}

QuestionPlace cmdTest_Click(QuizControls& c)
{
    const int selected = c.list.SelCount();
    const int count = c.list.ListCount();
    const bool atRandom = ticked(c.chkRnd);
    if (count == 0)
        return {};

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

    QuestionPlace place{text};
    if (ticked(c.chkSingle)) {
        const int position = atRandom ? randomCharacterPosition(c.random.next()) : 1;
        text = questionCharacter(text, position);
        place.at = questionCharacterAt(place.lesson, position);
    }
    c.txtTi.setText(text);
    return place;
}

} // namespace mulo
