// Any bytes as a lesson file: no crash, and every entry is well formed.
//   build-fuzz/fuzz/fuzz_lessonfile -max_total_time=60 fuzz/corpus/lessonfile

#include "core/controls.h"
#include "lessonfile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const mulo::LessonFile file = mulo::parseLessonFile(bytes, 1000);
    qint32 previous = 0;
    for (const QString& entry : file.entries) {
        const qsizetype lessonMark = entry.indexOf(QStringLiteral("课："));
        if (!entry.startsWith(QStringLiteral("第")) || lessonMark < 2)
            std::abort();
        bool ok = false;
        const qint32 number = entry.mid(1, lessonMark - 1).toInt(&ok);
        if (!ok || number <= previous || number > file.lineCount)
            std::abort();
        if (mulo::isBlank(QStringView(entry).sliced(lessonMark + 2)))
            std::abort();
        previous = number;
    }
    return 0;
}
