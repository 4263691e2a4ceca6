#include "readings.h"

#include "core/platform.h"

#include <cstddef>

// The reading tables sit in the program's read-only data as they are in speech/data/: the
// system maps their pages in from the executable as a look-up first touches them, so start-up
// neither reads nor parses them, and they are shared between running copies of the program.
#if defined(_WIN32)
#define MULO_READ_ONLY_SECTION ".rdata,\"dr\""
#define MULO_OBJECT_TYPE(symbol) ""
#else
#define MULO_READ_ONLY_SECTION ".rodata"
#define MULO_OBJECT_TYPE(symbol) ".type " #symbol ", @object\n"
#endif
#define MULO_EMBED(symbol, file)                                                                   \
    asm(".pushsection " MULO_READ_ONLY_SECTION "\n.global " #symbol "\n"                        \
        MULO_OBJECT_TYPE(symbol) #symbol ":\n"                                                     \
        ".incbin \"" file "\"\n"                                                                   \
        ".global " #symbol "_end\n" #symbol "_end:\n"                                               \
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
    platform::releaseReadOnlyPages(mulo_word_readings, mulo_word_readings_end);
    platform::releaseReadOnlyPages(mulo_character_readings, mulo_character_readings_end);
}

} // namespace mulo::speech
