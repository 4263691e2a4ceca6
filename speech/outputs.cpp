#include "outputs.h"

#include <QFile>
#include <cstdlib>
#include <fcntl.h>
#include <portaudio.h>
#include <sndfile.h>
#include <unistd.h>

namespace mulo::speech {

namespace {

// Sound libraries report every card and server they fail to find on stderr (dozens of
// lines on a machine without sound); none of it is for the user.
class QuietStderr {
public:
    QuietStderr()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietStderr()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }

private:
    int m_saved = -1;
};

RuntimeError audioError(const char* what, PaError error)
{
    return RuntimeError(QString::fromUtf8(what) + QStringLiteral("：") +
                        QString::fromUtf8(Pa_GetErrorText(error)));
}

void initialisePortAudio()
{
    static const PaError initialised = [] {
        ::setenv("JACK_NO_START_SERVER", "1", 0); // never start a sound server for us
        QuietStderr quiet;
        return Pa_Initialize();
    }();
    if (initialised != paNoError)
        throw audioError("无法使用声音设备", initialised);
}

} // namespace

void SoundDeviceOutput::play(std::span<const std::int16_t> samples, int sampleRate)
{
    initialisePortAudio();
    PaStream* stream = nullptr;
    PaError error;
    {
        QuietStderr quiet;
        error = Pa_OpenDefaultStream(&stream, 0, 1, paInt16, sampleRate,
                                     paFramesPerBufferUnspecified, nullptr, nullptr);
    }
    if (error != paNoError)
        throw audioError("无法打开声音设备", error);
    struct Closer {
        PaStream* stream;
        ~Closer() { Pa_CloseStream(stream); }
    } closer{stream};

    if ((error = Pa_StartStream(stream)) != paNoError)
        throw audioError("无法播放", error);
    error = Pa_WriteStream(stream, samples.data(), static_cast<unsigned long>(samples.size()));
    // Output underflow only means the device waited for us; everything was still played.
    if (error != paNoError && error != paOutputUnderflowed)
        throw audioError("播放出错", error);
    // Stopping waits until every buffered sample has been played.
    if ((error = Pa_StopStream(stream)) != paNoError)
        throw audioError("播放出错", error);
}

WavFileOutput::WavFileOutput(QString path) : m_path(std::move(path)) {}

WavFileOutput::~WavFileOutput()
{
    close();
}

void WavFileOutput::close()
{
    if (m_file)
        sf_close(m_file);
    m_file = nullptr;
}

void WavFileOutput::play(std::span<const std::int16_t> samples, int sampleRate)
{
    if (!m_file || sampleRate != m_sampleRate) {
        close();
        SF_INFO info{};
        info.samplerate = sampleRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        m_file = sf_open(QFile::encodeName(m_path).constData(), SFM_WRITE, &info);
        if (!m_file)
            throw RuntimeError(QStringLiteral("无法写入 ") + m_path + QStringLiteral("：") +
                               QString::fromUtf8(sf_strerror(nullptr)));
        sf_command(m_file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
        m_sampleRate = sampleRate;
    }
    if (sf_write_short(m_file, samples.data(), sf_count_t(samples.size())) !=
        sf_count_t(samples.size()))
        throw RuntimeError(QStringLiteral("写入 ") + m_path + QStringLiteral(" 出错"));
    sf_write_sync(m_file);
}

} // namespace mulo::speech
