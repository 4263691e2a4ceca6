#include "readings.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

// The reading tables sit in the program's read-only data as they are in speech/data/: the
// system maps their pages in from the executable as a look-up first touches them, so start-up
// neither reads nor parses them, and they are shared between running copies of the program.
#define MULO_EMBED(symbol, file)                                                                   \
    asm(".pushsection .rodata\n"                                                                   \
        ".global " #symbol "\n"                                                                    \
        ".type " #symbol ", @object\n" #symbol ":\n"                                               \
        ".incbin \"" file "\"\n"                                                                   \
        ".global " #symbol "_end\n" #symbol "_end:\n"                                              \
        ".popsection\n")

MULO_EMBED(mulo_word_readings, MULO_READINGS_DIR "/words.txt");
MULO_EMBED(mulo_character_readings, MULO_READINGS_DIR "/chars.txt");

extern "C" const char mulo_word_readings[], mulo_word_readings_end[];
extern "C" const char mulo_character_readings[], mulo_character_readings_end[];

namespace mulo::speech {

const ReadingTable& wordReadings()
{
    static const ReadingTable table(
        {mulo_word_readings, std::size_t(mulo_word_readings_end - mulo_word_readings)});
    return table;
}

const ReadingTable& characterReadings()
{
    static const ReadingTable table(
        {mulo_character_readings,
         std::size_t(mulo_character_readings_end - mulo_character_readings)});
    return table;
}

void releaseReadingPages()
{
    // Only the pages that lie wholly inside a table: its neighbours in the read-only data are
    // left alone. The pages stay in the page cache, so the next look-up maps them again.
    static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    for (const auto& [begin, end] :
         {std::pair<const char*, const char*>{mulo_word_readings, mulo_word_readings_end},
          std::pair<const char*, const char*>{mulo_character_readings,
                                              mulo_character_readings_end}}) {
        const std::uintptr_t first = (std::uintptr_t(begin) + page - 1) & ~(page - 1);
        const std::uintptr_t last = std::uintptr_t(end) & ~(page - 1);
        if (last > first)
            ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    }
}

} // namespace mulo::speech
