#include "outputs.h"

// clang-format off
#include <windows.h> // before the headers of its parts
#include <mmsystem.h>
// clang-format on

namespace mulo::speech {

namespace {

RuntimeError audioError(const char* what, MMRESULT error)
{
    wchar_t text[MAXERRORLENGTH] = {};
    waveOutGetErrorTextW(error, text, MAXERRORLENGTH);
    return RuntimeError(QString::fromUtf8(what) + QStringLiteral("：") +
                        QString::fromWCharArray(text));
}

} // namespace

void playOnSoundDevice(std::span<const std::int16_t> samples, int sampleRate,
                       const std::atomic<bool>& givenUp)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = DWORD(sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;

    // The system's default device, which converts to whatever it plays. Opening fails at
    // once when there is none or another program holds it.
    const HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!done)
        throw RuntimeError(QStringLiteral("无法打开声音设备"));
    struct EventCloser {
        HANDLE event;
        ~EventCloser() { CloseHandle(event); }
    } eventCloser{done};
    HWAVEOUT device = nullptr;
    MMRESULT error = waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(done), 0, CALLBACK_EVENT);
    if (error != MMSYSERR_NOERROR)
        throw audioError("无法打开声音设备", error);
    struct Closer {
        HWAVEOUT device;
        ~Closer() { waveOutClose(device); }
    } closer{device};

    WAVEHDR block{};
    block.lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(samples.data()));
    block.dwBufferLength = DWORD(samples.size_bytes());
    if ((error = waveOutPrepareHeader(device, &block, sizeof block)) != MMSYSERR_NOERROR)
        throw audioError("播放出错", error);
    struct Unpreparer {
        HWAVEOUT device;
        WAVEHDR* block;
        ~Unpreparer()
        {
            waveOutReset(device); // hands the block back, played or not
            waveOutUnprepareHeader(device, block, sizeof *block);
        }
    } unpreparer{device, &block};
    if ((error = waveOutWrite(device, &block, sizeof block)) != MMSYSERR_NOERROR)
        throw audioError("播放出错", error);

    // Waited on a little at a time, so that an answer given up on stops at the next look.
    while (!(block.dwFlags & WHDR_DONE)) {
        if (givenUp)
            throw RuntimeError(QStringLiteral("播放出错：声音设备没有响应"));
        WaitForSingleObject(done, 100);
    }
}

} // namespace mulo::speech
