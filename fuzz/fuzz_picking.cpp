// Question picking over any list, flags, current entry, settings and random values: no
// crash, at most four code units in the box, the current entry in range, no flag changed.
//   build-fuzz/fuzz/fuzz_picking -max_total_time=60 fuzz/corpus/picking

#include "lessonlistmodel.h"
#include "questionpicking.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Reads the input front to back; past its end every value is zero.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    double unit()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v / 4294967296.0; // [0, 1)
    }
};

struct Box : mulo::TextBoxOps {
    QString text;
    QString Text() const override { return text; }
    void setText(const QString& t) override { text = t; }
    void Refresh() override {}
};

struct Check : mulo::CheckBoxOps {
    int value = Unchecked;
    int Value() const override { return value; }
};

struct Draws : mulo::RandomSource {
    Input& input;
    explicit Draws(Input& in) : input(in) {}
    void reseedFromClock() override {}
    double next() override { return input.unit(); }
};

const char16_t pool[] = u"春夏秋冬日月水火;课： 一二三四\t";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in{data, size};
    mulo::LessonListModel list;
    const int count = in.byte() % 40;
    for (int i = 0; i < count; ++i) {
        QString entry = QStringLiteral("第%1课：").arg(i + 1);
        const int length = in.byte() % 7;
        for (int k = 0; k < length; ++k)
            entry += QChar(pool[in.byte() % (std::size(pool) - 1)]);
        list.AddItem(entry);
    }
    std::vector<bool> flags(size_t(count), false);
    for (int i = 0; i < count; ++i) {
        flags[size_t(i)] = in.byte() & 1;
        list.setSelected(i, flags[size_t(i)]);
    }
    if (count > 0)
        list.setListIndex(int(in.byte()) % (count + 1) - 1);

    Check chkRnd, chkSingle;
    Box txtTi;
    Draws random(in);
    mulo::QuizControls controls{list, chkRnd, chkSingle, txtTi, random};
    for (int pick = 0; pick < 4; ++pick) {
        chkRnd.value = in.byte() & 1;
        chkSingle.value = in.byte() & 1;
        mulo::cmdTest_Click(controls);
        if (txtTi.text.size() > 4)
            std::abort();
        if (list.ListIndex() < -1 || list.ListIndex() >= count)
            std::abort();
        for (int i = 0; i < count; ++i) {
            if (list.Selected(i) != flags[size_t(i)])
                std::abort();
        }
    }
    return 0;
}
