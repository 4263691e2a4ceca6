#pragma once

// Question picking: choose the next lesson and write it, or one of its characters, into the
// question box.

#include "core/controls.h"
#include "core/services.h"

#include <QStringView>

namespace mulo {

struct QuizControls {
    ListOps& list;
    const CheckBoxOps& chkRnd;
    const CheckBoxOps& chkSingle;
    TextBoxOps& txtTi;
    RandomSource& random;
};

// The lesson's text is the last four code units of its entry ("第12课：大小" gives "课：大小"),
// and a fifth where the fourth from the end is the second half of an emoji's surrogate pair
// ("第1课：苹🍎果香蕉" gives "🍎果香蕉"): a character is never cut in half.
QStringView lessonText(QStringView entry);

// The one-character question at a 1-based position of the lesson text's last four code units;
// where that is half of a surrogate pair, the whole pair.
QString questionCharacter(QStringView text, int position);
// Where that character starts in the text; -1 beyond its end.
qsizetype questionCharacterAt(QStringView text, int position);

// Random position among count items: ⌊u·(count − 1) + 0.5⌋. The two ends come up half as
// often as the inner items; lesson files and parents' habits are built on this spread, so it
// stays.
int randomPosition(double u, int count);

// 1-based character position for a random single character: ⌊3u + 0.5⌋ + 1.
int randomCharacterPosition(double u);

// Picks a lesson by the four rules (in order or at random, over all lessons or the selected
// ones), makes its entry current and writes the question. The box is written once, last.
// Returns where the question was taken from. With an empty list there is nothing to pick,
// nothing changes, and the place has no lesson.
QuestionPlace cmdTest_Click(QuizControls& controls);

} // namespace mulo
