#include "readings.h"

#include <QList>
#include <algorithm>
#include <string>
#include <vector>

namespace mulo::speech {

std::string_view ReadingTable::keyAt(std::size_t line) const
{
    const std::string_view rest = m_lines.substr(line);
    return rest.substr(0, rest.find_first_of("\t\n"));
}

std::size_t ReadingTable::lowerBound(std::string_view key) const
{
    // Lines are sorted by their bytes, so a binary search over byte offsets works once each
    // probe is moved back to the start of its line.
    std::size_t low = 0;
    std::size_t high = m_lines.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::size_t lineStart = m_lines.rfind('\n', middle == 0 ? 0 : middle - 1);
        const std::size_t line =
            (lineStart == std::string_view::npos || middle == 0) ? 0 : lineStart + 1;
        const std::size_t start = std::max(line, low);
        if (keyAt(start) < key) {
            const std::size_t end = m_lines.find('\n', start);
            low = end == std::string_view::npos ? m_lines.size() : end + 1;
        } else {
            high = start;
        }
    }
    return low;
}

ReadingTable::Match ReadingTable::match(std::string_view key) const
{
    const std::size_t line = lowerBound(key);
    if (line >= m_lines.size())
        return {};
    const std::string_view found = keyAt(line);
    if (found != key)
        return {{}, found.starts_with(key)};
    const std::string_view rest = m_lines.substr(line + key.size() + 1);
    return {rest.substr(0, rest.find('\n')), true};
}

namespace {

// A table value: "syllables<TAB>cost<TAB>tag", the cost being -100·ln of how often the word
// is written, the tag its part of speech (empty where unknown).
struct Entry {
    std::string_view syllables;
    int cost = 0;
    std::string_view tag;
};

Entry parseEntry(std::string_view value)
{
    Entry entry;
    const std::size_t first = value.find('\t');
    entry.syllables = value.substr(0, first);
    if (first == std::string_view::npos)
        return entry;
    const std::size_t second = value.find('\t', first + 1);
    const std::string_view cost = value.substr(first + 1, second - first - 1);
    for (const char c : cost)
        entry.cost = entry.cost * 10 + (c - '0');
    if (second != std::string_view::npos)
        entry.tag = value.substr(second + 1);
    return entry;
}

// One character of a run of Chinese text, with the syllable decided for it.
struct Syllable {
    char32_t character;
    std::string utf8;
    std::string reading;        // "zhang3"; "r5" for the 儿 of an erhua word
    Entry alone;                // the character as a word of its own
    std::size_t wordStart = 0;  // where the word this character belongs to starts in its run
    std::size_t wordLength = 1; // how many characters that word has
    std::string_view tag;       // the word's part of speech
    bool afterDigits = false;   // written right after a number in digits: 3只
};

int tone(const std::string& reading)
{
    return reading.empty() ? 0 : reading.back() - '0';
}

bool isDigitNumeral(char32_t c)
{
    return std::u32string_view(U"〇零一二三四五六七八九十").find(c) != std::u32string_view::npos;
}

bool isOneOf(char32_t c, std::u32string_view characters)
{
    return characters.find(c) != std::u32string_view::npos;
}

// Whether a part of speech is of one of the given kinds ("v" verb, "a" adjective, "d"
// adverb, "n" noun, "r" pronoun, "z" state, "s" place, "f" direction, "q" measure word).
bool isKind(std::string_view tag, std::string_view kinds)
{
    return !tag.empty() && kinds.find(tag.front()) != std::string_view::npos;
}

// A character's reading where it stands.
struct CharacterReading {
    char32_t character;
    const char* reading;
};

// A character's reading chosen by the character after it.
struct ContextReading {
    char32_t character;
    const char* reading;
    std::u32string_view next; // the characters after it that choose the reading; "" for any
};

// Measure words read as measure words after a number or after 这, 那, 每, 哪: 两只手 zhī,
// 三行字 háng, 一种 zhǒng.
constexpr CharacterReading measureWords[] = {
    {U'只', "zhi1"},  {U'行', "hang2"}, {U'种', "zhong3"}, {U'场', "chang3"}, {U'曲', "qu3"},
    {U'扇', "shan4"}, {U'处', "chu4"},  {U'间', "jian1"},  {U'重', "chong2"}, {U'转', "zhuan4"},
};
constexpr std::u32string_view counters = U"一二两三四五六七八九十百千万几这那每哪半";

// Whether run[i] comes after a number or 这, 那, 每, 哪, in characters or in digits (3只).
bool afterCounter(const std::vector<Syllable>& run, std::size_t i)
{
    return i > 0 ? isOneOf(run[i - 1].character, counters) : run[i].afterDigits;
}

// Verbs whose verb reading is not the one they have alone: 妈妈教我 jiāo, 数一数 shǔ,
// 量身高 liáng, 背着书包 bēi, 长得高 zhǎng. (数星星: see readInContext.)
constexpr ContextReading verbReadings[] = {
    {U'教', "jiao1", U"我你他她们孩学小朋大写读唱画说做得过了"},
    {U'数', "shu3", U"一着了过完到出清钱来去"},
    {U'量', "liang2", U"身体一了着过下尺衣"},
    {U'背', "bei1", U"着起包书孩娃宝弟妹小"},
    {U'长', "zhang3", U"得高大出满着成胖了"},
    {U'还', "huan2", U"给钱书"},
    {U'种', "zhong4", U"树花草菜瓜豆子地了的着过下"}, // 种了一棵树, 谁种的 zhòng
    {U'扇', "shan1", U"扇着"},
    {U'弹', "tan2", U""},
    {U'盛', "cheng2", U"饭汤水菜粥一碗满"},         // 盛饭, 盛一碗汤 chéng
    {U'转', "zhuan4", U"圈啊呀个"},                 // turns round: 转圈, 转啊转 zhuàn
    {U'抹', "ma1", U"桌"},                          // wipes: 抹桌子 mā
    {U'晃', "huang4", U"来去着了"},                 // sways: 晃来晃去 huàng
    {U'空', "kong4", U"出"},                        // frees: 把座位空出来 kòng
    {U'哄', "hong1", U"笑传抢而堂"},                // an uproar: 哄笑, 一哄而上 hōng
    {U'重', "chong2", U"写来做读画说唱考演装修建"}, // again: 重写一遍, 再重来 chóng
    {U'扎', "za1", U"辫头马好紧"},                  // ties: 扎辫子 zā
    {U'撒', "sa3", U"种了在一下满落进到"},          // scatters: 撒种子, 撒了一地 sǎ
    {U'钉', "ding4", U"钉扣上在好个一"},            // nails on: 钉钉子, 钉扣子 dìng
    {U'系', "ji4", U"鞋红好上紧安扣"},              // 系鞋带, 系红领巾 jì
    {U'缝', "feng2", U"衣补好上扣被一针"},          // 缝衣服 féng
    {U'冲', "chong4", U"我你他她它着"},             // 冲我笑 chòng
    {U'漂', "piao1", U"在着浮起走过来去流"},        // 漂在水上 piāo
};

// Results after a verb: 烧干 gān, 推倒 dǎo, 化为 wéi.
constexpr CharacterReading resultReadings[] = {
    {U'干', "gan1"},
    {U'倒', "dao3"},
    {U'为', "wei2"},
};

// Surnames that are not read as the character is: 姓单 Shàn, 姓解 Xiè.
constexpr CharacterReading surnames[] = {
    {U'单', "shan4"}, {U'解', "xie4"}, {U'曾', "zeng1"}, {U'仇', "qiu2"},   {U'朴', "piao2"},
    {U'区', "ou1"},   {U'查', "zha1"}, {U'盖', "ge3"},   {U'华', "hua4"},   {U'乐', "yue4"},
    {U'缪', "miao4"}, {U'覃', "qin2"}, {U'翟', "zhai2"}, {U'种', "chong2"}, {U'召', "shao4"},
    {U'员', "yun4"},  {U'尉', "yu4"},  {U'秘', "bi4"},   {U'冼', "xian3"},  {U'过', "guo1"},
    {U'任', "ren2"},  {U'纪', "ji3"},  {U'燕', "yan1"},  {U'宁', "ning4"},
};

// A table's reading for c, whatever follows it; null when the table has none.
template <std::size_t N> const char* readingOf(const CharacterReading (&table)[N], char32_t c)
{
    const auto row = std::find_if(std::begin(table), std::end(table),
                                  [c](const CharacterReading& r) { return r.character == c; });
    return row == std::end(table) ? nullptr : row->reading;
}

// Whether a measure word at run[i] would count what follows it (这只小鸟, 一行白鹭, 三行字,
// 一种花), or nothing follows (我要两只); not where a verb that leads another or a particle
// follows (这只是, 这只能, 这行吗).
bool countsWhatFollows(const std::vector<Syllable>& run, std::size_t i)
{
    // Counted again after 又: 一重又一重, 一层又一层.
    if (i + 3 < run.size() && run[i + 1].character == U'又' &&
        run[i + 3].character == run[i].character)
        return true;
    // Asked as A不A, it is what is said of 这: 这行不行 xíng.
    if (i + 2 < run.size() && run[i + 1].character == U'不' &&
        run[i + 2].character == run[i].character)
        return false;
    return i + 1 == run.size() ||
           !isOneOf(run[i + 1].character, U"是能会要想吗呢吧啊了的得就都也还再又在有说去来可应该");
}

// Whether a title follows run[i], as after a surname: 曾老师, 单阿姨.
bool beforeTitle(const std::vector<Syllable>& run, std::size_t i)
{
    static constexpr std::u32string_view titles[] = {
        U"老师", U"同学", U"阿姨", U"叔叔", U"爷爷", U"奶奶", U"伯伯", U"医生",
        U"校长", U"先生", U"师傅", U"大夫", U"老板", U"教授", U"大爷", U"大妈"};
    if (i + 2 >= run.size())
        return false;
    return std::any_of(std::begin(titles), std::end(titles), [&](std::u32string_view title) {
        return run[i + 1].character == title[0] && run[i + 2].character == title[1];
    });
}

// Whether 场 counts what befalls one, said cháng: 一场大雨, 一场病; not 一场比赛 chǎng.
bool happensTo(const std::vector<Syllable>& run, std::size_t i)
{
    for (std::size_t j = i + 1; j < std::min(run.size(), i + 3); ++j) {
        if (isOneOf(run[j].character, U"雨雪病灾"))
            return true;
    }
    return false;
}

// Verbs that only lead another verb, and so take no result after them (去干, 来倒茶, 要倒).
constexpr std::u32string_view leadingVerbs = U"是要去来会能想在有让叫给把被得可该肯敢";
// Who may be said to must (得 děi after them: 我们得走).
constexpr std::u32string_view mustSayers = U"我你他她它们咱家";
// Verbs that are said with 为 wéi, "to become, to be taken as": 成为, 作为, 化为, 认为.
constexpr std::u32string_view becomingVerbs = U"成作以认称化变分视选当";
// What may follow a result: the end of the phrase, or a particle (推倒了, 烧干的).
constexpr std::u32string_view afterResults = U"了的在掉光净着过";
// Verbs of going and bringing, whose 来 and 去 after 不 are a complement (走不动, 拿不来);
// after others 不来, 不去 are a plain "not come", "not go" (说不去了).
constexpr std::u32string_view movingVerbs =
    U"走跑飞回进出上下过拿带送搬爬跳游开站坐起跟赶追拉推抬寄运";

// Splits a run into the words it most likely is: the split whose words are written most
// often together, over every word of the table (水/中/的/鱼, not 水/中的/鱼, where 中的 is a
// rare word). A run that is one word of the table is that word.
void readWords(std::vector<Syllable>& run)
{
    struct Word {
        std::size_t length;
        Entry entry;
    };
    const std::size_t n = run.size();
    if (n == 0)
        return;
    // words[i]: the table's words of two or more characters that start at i.
    std::vector<std::vector<Word>> words(n);
    // After a number or 这, 那, 每, 哪, a measure word that counts what follows stays a word
    // of its own unless the word it would start is far more common (一种花 is 一/种/花, since
    // 种花 is rare beside 种; 这种子 is 这/种子).
    constexpr int muchRarer = 500;        // e^5: about 150 times
    constexpr int placeNamePenalty = 100; // e: about 3 times
    for (std::size_t i = 0; i < n; ++i) {
        const bool measure = afterCounter(run, i) && readingOf(measureWords, run[i].character) &&
                             countsWhatFollows(run, i);
        std::string key = run[i].utf8;
        for (std::size_t j = i + 1; j < n; ++j) {
            key += run[j].utf8;
            const ReadingTable::Match match = wordReadings().match(key);
            const Entry entry = parseEntry(match.value);
            if (!match.value.empty() && !(measure && entry.cost > run[i].alone.cost + muchRarer))
                words[i].push_back({j + 1 - i, entry});
            if (!match.isPrefix)
                break;
        }
    }
    // cost[i]: the cheapest split of i … n − 1; choice[i]: its first piece, if a word.
    std::vector<long> cost(n + 1, 0);
    std::vector<const Word*> choice;
    choice.resize(n);
    for (std::size_t i = n; i-- > 0;) {
        cost[i] = cost[i + 1] + run[i].alone.cost;
        for (const Word& word : words[i]) {
            // A place's name is met in a child's line far less often than counts of
            // newspapers say: 春天来了花都开了 is 花/都, not the district 花都.
            const long withWord = cost[i + word.length] + word.entry.cost +
                                  (word.entry.tag == "ns" ? placeNamePenalty : 0);
            if (withWord < cost[i] || (i == 0 && word.length == n)) {
                cost[i] = withWord;
                choice[i] = &word;
                if (i == 0 && word.length == n)
                    break;
            }
        }
    }
    for (std::size_t i = 0; i < n;) {
        const std::size_t length = choice[i] ? choice[i]->length : 1;
        std::string_view readings = choice[i] ? choice[i]->entry.syllables : std::string_view();
        for (std::size_t j = i; j < i + length; ++j) {
            run[j].wordStart = i;
            run[j].wordLength = length;
            run[j].tag = choice[i] ? choice[i]->entry.tag : run[j].alone.tag;
            if (!choice[i])
                continue;
            const std::size_t space = readings.find(' ');
            run[j].reading = readings.substr(0, space);
            readings =
                space == std::string_view::npos ? std::string_view() : readings.substr(space + 1);
        }
        i += length;
    }
}

// The complements a verb takes after 不 (吃不了, 下不来, 看不清), said lightly.
constexpr std::u32string_view complements = U"来去了见到完动起下上出开住懂清掉着";

// AABB, a two-character word doubled: 干干净净 gān gān jìng jìng, 漂漂亮亮 with 亮 in its full
// tone.
void readDoubledWords(std::vector<Syllable>& run)
{
    for (std::size_t i = 0; i + 3 < run.size(); ++i) {
        if (run[i].character != run[i + 1].character ||
            run[i + 2].character != run[i + 3].character ||
            run[i].character == run[i + 2].character)
            continue;
        // Not two words that are doubled already (爸爸妈妈), nor a noun (爸妈).
        const std::string_view value = wordReadings().find(run[i].utf8 + run[i + 2].utf8);
        const Entry word = parseEntry(value);
        if (value.empty() || isKind(word.tag, "n") ||
            !wordReadings().find(run[i].utf8 + run[i + 1].utf8).empty())
            continue;
        const std::string_view syllables = word.syllables;
        const std::size_t space = syllables.find(' ');
        const std::string first(syllables.substr(0, space));
        std::string second(syllables.substr(space + 1));
        if (tone(second) == 5)
            second = std::string(run[i + 2].alone.syllables);
        run[i].reading = run[i + 1].reading = first;
        run[i + 2].reading = run[i + 3].reading = second;
        i += 3;
    }
}

template <std::size_t N>
const ContextReading* findReading(const ContextReading (&table)[N], char32_t c,
                                  const std::vector<Syllable>& run, std::size_t i)
{
    for (const ContextReading& row : table) {
        if (row.character != c)
            continue;
        const bool last = i + 1 == run.size();
        if (row.next.empty() ? !last : !last && isOneOf(run[i + 1].character, row.next))
            return &row;
    }
    return nullptr;
}

// Readings decided by the words around a character that stands as a word of its own;
// nothing here changes a character inside a longer word of the table.
void readInContext(std::vector<Syllable>& run)
{
    readDoubledWords(run);
    for (std::size_t i = 0; i < run.size(); ++i) {
        Syllable& s = run[i];
        const bool last = i + 1 == run.size();
        const Syllable* before = i > 0 ? &run[i - 1] : nullptr;
        // The potential complement: 吃不了 chī bu liǎo.
        if (s.character == U'不' && s.wordLength == 2 && s.wordStart == i && before &&
            run[i + 1].character == U'了' && isKind(before->tag, "v")) {
            s.reading = "bu5";
            run[i + 1].reading = "liao3";
            continue;
        }
        // A question A不A, where 不A is a word of its own: 行不行, 好不好.
        if (s.character == U'不' && s.wordStart == i && before && i + 1 < run.size() &&
            run[i + 1].character == before->character &&
            !(i >= 2 && run[i - 2].character == U'不')) {
            s.reading = "bu5";
            continue;
        }
        if (s.wordLength != 1)
            continue;
        const bool afterWord = before && before->wordLength > 1;
        // A question of the form A不A, and a verb's complement after 不 (说不出来): both light.
        const auto isComplement = [&](std::size_t at) {
            const char32_t c = run[at].character;
            return isOneOf(c, complements) &&
                   (!isOneOf(c, U"来去") || isOneOf(before->character, movingVerbs));
        };
        if (s.character == U'不' && before && !last &&
            ((run[i + 1].character == before->character &&
              !(i >= 2 && run[i - 2].character == U'不')) || // 不对不对 is no question
             (before->wordLength == 1 && isKind(before->tag, "v") && isComplement(i + 1)))) {
            s.reading = "bu5";
            continue;
        }
        const char* reading = nullptr;
        if ((before && before->character == U'姓' && before->wordLength == 1) || // not 老百姓
            (beforeTitle(run, i) && !isKind(s.alone.tag, "u")))                  // not 问过老师
            reading = readingOf(surnames, s.character);
        if (!reading && afterCounter(run, i) && countsWhatFollows(run, i))
            reading = s.character == U'场' && happensTo(run, i)
                          ? "chang2"
                          : readingOf(measureWords, s.character);
        // After a word of degree it is an adjective, not a verb (太长了 cháng, 长了 zhǎng);
        // after 这, 那 a measure word or a noun (这种的 zhǒng).
        const bool notVerb =
            before && isOneOf(before->character, U"很太真好更最挺多非特这那哪每各");
        if (const ContextReading* row = findReading(verbReadings, s.character, run, i);
            !reading && row && !notVerb)
            reading = row->reading;
        if (!reading && before && before->wordLength == 1 && isKind(before->tag, "v") &&
            !isOneOf(before->character, leadingVerbs) &&
            (last || isOneOf(run[i + 1].character, afterResults)))
            reading = readingOf(resultReadings, s.character);
        // A measure word doubled after a number is one measure word twice: 一只只 zhī zhī.
        if (!reading && before && before->character == s.character && i >= 2 &&
            isOneOf(run[i - 2].character, counters) && readingOf(measureWords, s.character))
            reading = readingOf(measureWords, s.character);
        if (reading) {
            s.reading = reading;
            continue;
        }
        switch (s.character) {
        case U'数': // counts things (数星星 shǔ); before a measure word it is "several" (数张 shù)
            if (!last && run[i + 1].wordLength > 1 && isKind(run[i + 1].tag, "n"))
                s.reading = "shu3";
            break;
        case U'为': // "as" in 以此为荣, 以…为…; "to become" after 成, 化, 认 and the like
            if (before && before->wordLength == 1 && isOneOf(before->character, becomingVerbs))
                s.reading = "wei2"; // not after a word they end: 应当为他高兴 wèi
            // 以…为, and naming someone as: 称他为小英雄, 选他为班长
            for (std::size_t j = i >= 3 ? i - 3 : 0; j < i; ++j) {
                if (run[j].character == U'以' ||
                    (run[j].wordLength == 1 && isOneOf(run[j].character, U"称选评")))
                    s.reading = "wei2";
            }
            break;
        case U'背': // carries on the back what follows 上: 背上书包, 妈妈背上孩子 bēi; not the
                    // back in 他的背上, 背上有伤
            if (i + 2 < run.size() && run[i + 1].character == U'上' &&
                !(before && before->character == U'的') &&
                (isKind(run[i + 2].tag, "nr") || isOneOf(run[i + 2].character, counters)))
                s.reading = "bei1";
            break;
        case U'长': // grows, before the complement it cannot reach: 长不大, 长不高 zhǎng bu;
                    // grows long: 头发长长了 zhǎng cháng
            if (i + 2 < run.size() && run[i + 1].character == U'不' &&
                isOneOf(run[i + 2].character, U"大高胖")) {
                s.reading = "zhang3";
                run[i + 1].reading = "bu5";
            } else if (i + 2 < run.size() && run[i + 1].character == U'长' &&
                       run[i + 2].character == U'了') {
                s.reading = "zhang3";
                run[++i].reading = "chang2";
            }
            break;
        case U'铺': // a shop or a bed, ending a name: 药铺, 杂货铺, 上铺 pù; laying, as a verb
                    // does: 铺床, 平铺 pū
            if (last && before &&
                (isKind(before->tag, "nf") || isOneOf(before->character, U"地窝")) &&
                !isOneOf(before->character, U"平横竖乱满"))
                s.reading = "pu4";
            break;
        case U'干': // dry: 衣服干了, 水干了, 很干 gān
            if (before &&
                (isOneOf(before->character, U"很太真好更最挺非特") ||
                 (isKind(before->tag, "n") && (last || isOneOf(run[i + 1].character, U"了的")))))
                s.reading = "gan1";
            break;
        case U'转': // turns round at the end of a phrase: 转啊转, 绕着太阳转 zhuàn
            if (last && before &&
                (isOneOf(before->character, U"啊呀") ||
                 std::any_of(run.begin(), run.begin() + long(i),
                             [](const Syllable& t) { return t.character == U'绕'; })))
                s.reading = "zhuan4";
            break;
        case U'种': // plants what follows: 小猴子种果树, 爷爷种玉米 zhòng (这种果树 counts)
            if (!last && run[i + 1].wordLength > 1 && isKind(run[i + 1].tag, "n"))
                s.reading = "zhong4";
            break;
        case U'结': // bears fruit: 结了果子, 结满了果子 jiē
            for (std::size_t j = i + 2; j < std::min(run.size(), i + 5); ++j) {
                if (run[j].character == U'果')
                    s.reading = "jie1";
            }
            break;
        case U'还': // gives back what 把 took up, or at the end after 要: 把书还了, 借了要还 huán
            for (std::size_t j = i >= 4 ? i - 4 : 0; j < i; ++j) {
                if (run[j].character == U'把' &&
                    (last || isOneOf(run[i + 1].character, U"了给回到")))
                    s.reading = "huan2";
            }
            if ((last && before && isOneOf(before->character, U"要得该去")) ||
                (!last && run[i + 1].character == U'回'))
                s.reading = "huan2";
            break;
        case U'当': // taken as: 把他当朋友 dàng
            for (std::size_t j = i >= 3 ? i - 3 : 0; j < i; ++j) {
                if (run[j].character == U'把')
                    s.reading = "dang4";
            }
            break;
        case U'看': // minds: 看门, 在家看孩子 kān; not 看门口, 看孩子们跳舞
            if (!last && run[i + 1].character == U'门' && run[i + 1].wordLength == 1 &&
                (i + 2 == run.size() || isOneOf(run[i + 2].character, U"的狗人了")))
                s.reading = "kan1";
            else if (i + 3 == run.size() && run[i + 1].character == U'孩' &&
                     run[i + 1].wordLength == 2)
                s.reading = "kan1";
            break;
        case U'觉': // a sleep, after 睡 (睡个好觉, 睡了一觉) or waking from it (一觉醒来)
            for (std::size_t j = i >= 4 ? i - 4 : 0; j < i; ++j) {
                if (run[j].character == U'睡')
                    s.reading = "jiao4";
            }
            if (!last && run[i + 1].character == U'醒')
                s.reading = "jiao4";
            break;
        case U'曲': // a song, at the end of a phrase: 古曲, 一曲
            if (last && before)
                s.reading = "qu3";
            break;
        case U'舍': // a house, at the end of a phrase (屋舍); not after a verb (难舍 shě)
            if (last && before && !isKind(before->tag, "vad"))
                s.reading = "she4";
            break;
        case U'兴': // to thrive, inside a phrase (高兴 and 兴趣 are words of their own);
                    // high spirits after 趁 and the like
            if (run.size() > 1 && !(before && isOneOf(before->character, U"趁乘即逸诗豪酒")))
                s.reading = "xing1";
            break;
        case U'地': // after an adverbial, before its verb: 开心地跳, 慢慢地走; not 这块地, 天老地荒
            if (!last && before &&
                ((afterWord && (!isKind(before->tag, "nsrfq") ||
                                // a manner the counts tag as a noun: 小心地走, 用力地拉
                                (isKind(before->tag, "n") && isKind(run[i + 1].tag, "v")))) ||
                 (i >= 2 && run[i - 2].character == before->character) ||
                 (i >= 4 && run[i - 4].character == run[i - 2].character &&
                  run[i - 3].character == before->character)))
                s.reading = "de5";
            break;
        case U'得':
            // "must" before a verb, after who must (我们得走, not 海得拉巴), also stressed by
            // 可 (你可得小心): 你得去 děi; after a verb or an adjective, the complement's
            // particle: 说得对, 叫得早, 想得好, 来得快 de. After 能 it is "to get": 能得第一名 dé.
            if (!last && before &&
                ((isOneOf(before->character, mustSayers) &&
                  (isKind(run[i + 1].tag, "vad") ||
                   isOneOf(run[i + 1].character, U"多早快先好赶") ||
                   (run[i + 1].character == U'小' && i + 2 < run.size() &&
                    run[i + 2].character == U'心'))) ||
                 (before->character == U'可' && i >= 2 &&
                  isOneOf(run[i - 2].character, mustSayers) &&
                  !isOneOf(run[i + 1].character, U"了到着过")) ||
                 // still or also must: 我还得写作业, 大家都得去
                 (isOneOf(before->character, U"还也都就又再总") && isKind(run[i + 1].tag, "v"))))
                s.reading = "dei3";
            else if (!last && before && before->character == U'能')
                s.reading = "de2";
            else if (!last && before &&
                     (isKind(before->tag,
                             "vab") || // 高兴 is "b" to the counts
                                       // what follows says how: 香得很, 画得真好, 学得不错
                      (!isOneOf(before->character, mustSayers) &&
                       isOneOf(run[i + 1].character, U"很真太非好更最不像满直特挺极"))))
                s.reading = "de5";
            break;
        case U'着': // a result: 没打着, 找得着, 睡不着, 猜着了 zháo (the particle takes no 了)
            if ((i >= 2 && before->wordLength == 1 &&
                 ((run[i - 2].character == U'没' && isKind(before->tag, "v")) ||
                  isOneOf(before->character, U"得不"))) ||
                (before && before->wordLength == 1 && isKind(before->tag, "v") && !last &&
                 run[i + 1].character == U'了'))
                s.reading = "zhao2";
            break;
        case U'儿': // a noun's suffix: 鸟儿, 小孩儿; once (儿儿 is no word)
            if (before && isKind(before->tag, "nsfq") && before->character != U'儿')
                s.reading = "r5";
            break;
        }
    }
}

// Whether the characters of run[i]'s word up to and including run[i] are a word of their
// own, and so are those after it (统一 in 统一战线).
bool endsWord(const std::vector<Syllable>& run, std::size_t i)
{
    if (i + 1 == run.size() || run[i + 1].wordStart != run[i].wordStart)
        return i > run[i].wordStart;
    // The rest must be a word too: 不一样 is no 不一 and a 样.
    std::string rest;
    for (std::size_t j = i + 1; j < run.size() && run[j].wordStart == run[i].wordStart; ++j)
        rest += run[j].utf8;
    if (wordReadings().find(rest).empty())
        return false;
    std::string key = run[i].utf8;
    for (std::size_t j = i; j-- > run[i].wordStart;) {
        key.insert(0, run[j].utf8);
        if (!wordReadings().find(key).empty())
            return true;
    }
    return false;
}

// Whether 一 at run[i] is counted against another number in a four-character word:
// 一清二楚 and 数一数二, 举一反三.
bool countedInWord(const std::vector<Syllable>& run, std::size_t i)
{
    const std::size_t start = run[i].wordStart;
    if (start + 4 > run.size() || run[start + 3].wordStart != start ||
        (start + 4 < run.size() && run[start + 4].wordStart == start))
        return false;
    const char32_t third = run[start + 2].character;
    const char32_t fourth = run[start + 3].character;
    return (i == start && third == U'二') ||
           (i == start + 1 && (fourth == U'二' || fourth == U'三'));
}

// Whether 一 at run[i] names the first of a row, as a school does: 一年级, 年级一班, 一等奖,
// 住在一楼.
bool ordinal(const std::vector<Syllable>& run, std::size_t i)
{
    const auto at = [&run](std::size_t j) { return j < run.size() ? run[j].character : U'\0'; };
    return (at(i + 1) == U'年' && at(i + 2) == U'级') || (i > 0 && run[i - 1].character == U'级') ||
           (at(i + 1) == U'等' && at(i + 2) == U'奖') ||
           (at(i + 1) == U'楼' && i > 0 && isOneOf(run[i - 1].character, U"在住到"));
}

// 一 and 不 take their tone from the syllable after them. 一 keeps its own tone where it is
// a number rather than "one of something": alone, at the end of a word (统一, 第一), in
// counting (一二三四, 十一, 一清二楚), after 第, and as the month (一月). Between a verb and
// its repetition it is light: 看一看.
void changeTones(std::vector<Syllable>& run)
{
    for (std::size_t i = 0; i < run.size(); ++i) {
        const bool last = i + 1 == run.size();
        const int next = last ? 0 : tone(run[i + 1].reading);
        if (run[i].character == U'一' && run[i].reading.starts_with("yi")) {
            const bool number = last || endsWord(run, i) || countedInWord(run, i) ||
                                (i > 0 && (isDigitNumeral(run[i - 1].character) ||
                                           run[i - 1].character == U'第')) ||
                                isDigitNumeral(run[i + 1].character) ||
                                run[i + 1].character == U'月' || ordinal(run, i) ||
                                // a date: 五月一日, 一号
                                (isOneOf(run[i + 1].character, U"日号") &&
                                 (i == 0 || run[i - 1].character == U'月'));
            // A verb tried once: 看一看, 数一数 (the second 数 as the first); not 一步一步, where
            // 一 counts again.
            const bool betweenRepeats = !last && i > 0 &&
                                        run[i - 1].character == run[i + 1].character &&
                                        !(i >= 2 && run[i - 2].character == U'一');
            if (betweenRepeats && !number)
                run[i + 1].reading = run[i - 1].reading;
            run[i].reading = number ? "yi1" : betweenRepeats ? "yi5" : next >= 4 ? "yi2" : "yi4";
        } else if (run[i].character == U'不' && run[i].reading.starts_with("bu") &&
                   tone(run[i].reading) != 5) {
            run[i].reading = next == 4 ? "bu2" : "bu4";
        }
    }
}

void appendRun(QString& out, std::vector<Syllable>& run)
{
    if (run.empty())
        return;
    readWords(run);
    readInContext(run);
    changeTones(run);
    for (std::size_t i = 0; i < run.size(); ++i) {
        // An erhua 儿 is said as the r of the syllable before it: "dian3r". As a syllable of
        // its own ("r5") the voice says a separate er.
        if (run[i].reading == "r5" && i > 0) {
            out += u'r';
            continue;
        }
        if (!out.isEmpty() && !out.endsWith(u' '))
            out += u' ';
        out += QString::fromStdString(run[i].reading == "r5" ? "er2" : run[i].reading);
    }
    run.clear();
}

bool isDigit(uint c)
{
    return (c >= '0' && c <= '9') || (c >= U'０' && c <= U'９');
}

// Adds c to a run of Chinese text when it has a reading; false when it has none. A run that
// starts right after digits counts with them (3只 zhī).
bool appendToRun(std::vector<Syllable>& run, char32_t c, const QString& one, bool afterDigits)
{
    std::string utf8 = one.toStdString();
    const std::string_view value = characterReadings().find(utf8);
    if (value.empty())
        return false;
    const Entry alone = parseEntry(value);
    run.push_back({c, std::move(utf8), std::string(alone.syllables), alone, run.size(), 1,
                   alone.tag, run.empty() && afterDigits});
    return true;
}

// Light syllables of words that stand for another reading than the character's own.
struct LightSyllable {
    std::u32string_view word;
    std::size_t at;
    const char* reading;
};
constexpr LightSyllable lightSyllables[] = {
    {U"头发", 1, "fa4"},    {U"答应", 1, "ying4"},  {U"暖和", 1, "huo2"},   {U"商量", 1, "liang2"},
    {U"打量", 1, "liang2"}, {U"思量", 1, "liang2"}, {U"掂量", 1, "liang2"},
};

// Particles a teacher says light even alone, as the lesson says them: 快乐地 de, 看着 zhe.
constexpr std::u32string_view lightParticles = U"的地得了着吗呢吧啊呀啦嘛";

} // namespace

QString voicePinyin(const QString& text)
{
    QString out;
    std::vector<Syllable> run;
    const QList<uint> characters = text.toUcs4();
    uint previous = 0;
    for (const uint c : characters) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        const bool added = appendToRun(run, char32_t(c), one, isDigit(previous));
        previous = c;
        if (added)
            continue;
        const bool afterSyllable = !run.empty();
        appendRun(out, run);
        if (afterSyllable && c != u' ')
            out += u' ';
        out += one;
    }
    appendRun(out, run);
    return out;
}

QString readingInLesson(const QString& lesson, qsizetype at)
{
    const auto widthAt = [&lesson](qsizetype i) {
        return lesson.at(i).isHighSurrogate() && i + 1 < lesson.size() &&
                       lesson.at(i + 1).isLowSurrogate()
                   ? 2
                   : 1;
    };
    if (at < 0 || at >= lesson.size())
        return {};
    // The run of Chinese text the character is part of.
    std::vector<Syllable> run;
    std::size_t index = std::string_view::npos;
    for (qsizetype i = 0; i < lesson.size();) {
        const qsizetype width = widthAt(i);
        const QString one = lesson.mid(i, width);
        if (i == at)
            index = run.size();
        if (!appendToRun(run, one.toUcs4().front(), one,
                         i > 0 && isDigit(lesson.at(i - 1).unicode()))) {
            if (i >= at)
                break;
            run.clear();
        }
        i += width;
    }
    const QString character = lesson.mid(at, widthAt(at));
    if (index >= run.size() || run[index].utf8 != character.toStdString())
        return voicePinyin(character);
    readWords(run);
    readInContext(run);
    changeTones(run);
    const Syllable& s = run[index];
    // 一 and 不 are said in their own tone, and so is the light syllable of a word (子 of 桌子,
    // 头 of 石头, the 儿 of 花儿), unless it is a particle; or, where the light syllable stands
    // for another reading than the character's own, in that reading (发 of 头发 fà).
    const bool light = tone(s.reading) == 5;
    if (isOneOf(s.character, U"一不") || (light && !isOneOf(s.character, lightParticles))) {
        std::u32string word;
        for (std::size_t j = s.wordStart; j < s.wordStart + s.wordLength; ++j)
            word += run[j].character;
        for (const LightSyllable& row : lightSyllables) {
            if (row.word == word && row.at == index - s.wordStart)
                return QString::fromLatin1(row.reading);
        }
        return QString::fromUtf8(s.alone.syllables.data(), qsizetype(s.alone.syllables.size()));
    }
    return QString::fromStdString(s.reading);
}

QString toneMarked(const QString& numbered)
{
    static const QString marks[] = {QStringLiteral("āáǎà"), QStringLiteral("ēéěè"),
                                    QStringLiteral("īíǐì"), QStringLiteral("ōóǒò"),
                                    QStringLiteral("ūúǔù"), QStringLiteral("ǖǘǚǜ")};
    static const QString vowels = QStringLiteral("aeiouü");
    QStringList syllables = numbered.split(u' ');
    for (QString& s : syllables) {
        const bool erhua = s.size() > 2 && s.endsWith(u'r') && s.at(s.size() - 2).isDigit();
        QString body = erhua ? s.chopped(1) : s;
        if (body.size() < 2 || !body.back().isDigit() || body.back() < u'1' || body.back() > u'5')
            continue;
        const int tone = body.back().digitValue();
        body.chop(1);
        body.replace(u'v', u'ü');
        if (!std::all_of(body.begin(), body.end(),
                         [](QChar c) { return (c >= u'a' && c <= u'z') || c == u'ü'; }))
            continue;
        // The mark goes on a or e, on the o of ou, else on the last vowel.
        qsizetype at = body.indexOf(u'a');
        if (at < 0)
            at = body.indexOf(u'e');
        if (at < 0)
            at = body.indexOf(QStringLiteral("ou"));
        for (qsizetype i = body.size(); at < 0 && i-- > 0;) {
            if (vowels.contains(body.at(i)))
                at = i;
        }
        if (at >= 0 && tone <= 4)
            body[at] = marks[vowels.indexOf(body.at(at))].at(tone - 1);
        s = erhua ? body + u'r' : body;
    }
    return syllables.join(u' ');
}

} // namespace mulo::speech
