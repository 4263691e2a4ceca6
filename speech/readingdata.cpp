#include "core/platform.h"
#include "readings.h"

#include <cstddef>

// The reading tables sit in the program's read-only data as they are in speech/data/: the
// system maps their pages in from the executable as a look-up first touches them, so start-up
// neither reads nor parses them, and they are shared between running copies of the program.
#if defined(_WIN32)
// PE objects have no section stack; the compiler names its section before its next output.
#define MULO_ENTER_READ_ONLY ".section .rdata,\"dr\"\n"
#define MULO_OBJECT_TYPE(symbol) ""
#define MULO_LEAVE_READ_ONLY ".text\n"
#else
#define MULO_ENTER_READ_ONLY ".pushsection .rodata\n"
#define MULO_OBJECT_TYPE(symbol) ".type " #symbol ", @object\n"
#define MULO_LEAVE_READ_ONLY ".popsection\n"
#endif
#define MULO_EMBED(symbol, file)                                                                   \
    asm(MULO_ENTER_READ_ONLY ".global " #symbol "\n" MULO_OBJECT_TYPE(symbol) #symbol              \
        ":\n"                                                                                      \
        ".incbin \"" file "\"\n"                                                                   \
        ".global " #symbol "_end\n" #symbol "_end:\n" MULO_LEAVE_READ_ONLY)

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
