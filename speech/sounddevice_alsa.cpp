#include "outputs.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cerrno>
#include <chrono>
#include <thread>

namespace mulo::speech {

namespace {

// ALSA reports every card and plug-in it fails to find (dozens of lines on a machine without
// sound); none of it is for the user, who hears the answer or does not.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

RuntimeError audioError(const char* what, int error)
{
    return RuntimeError(QString::fromUtf8(what) + QStringLiteral("：") +
                        QString::fromUtf8(snd_strerror(error)));
}

} // namespace

void playOnSoundDevice(std::span<const std::int16_t> samples, int sampleRate,
                       const std::atomic<bool>& givenUp)
{
    static const bool quiet = snd_lib_error_set_handler(quietAlsa) == 0;
    Q_UNUSED(quiet);
    snd_pcm_t* device = nullptr;
    // Opened without waiting: a device that another program holds (plain ALSA, no sound
    // server) would otherwise keep the answer waiting until it is free.
    int error = snd_pcm_open(&device, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0)
        throw audioError("无法打开声音设备", error);
    struct Closer {
        snd_pcm_t* device;
        ~Closer() { snd_pcm_close(device); }
    } closer{device};
    // ALSA converts to whatever the device takes; a fifth of a second of buffering.
    error = snd_pcm_set_params(device, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               unsigned(sampleRate), 1, 200000);
    if (error < 0)
        throw audioError("无法打开声音设备", error);
    // The device stays non-blocking and is waited on a little at a time, so that an answer
    // given up on stops at the next look; what is still buffered is dropped, not played.
    const auto waitForDevice = [&] {
        if (givenUp) {
            snd_pcm_drop(device);
            throw RuntimeError(QStringLiteral("声音设备停止了播放"));
        }
        snd_pcm_wait(device, 100);
    };
    for (std::size_t done = 0; done < samples.size();) {
        snd_pcm_sframes_t written =
            snd_pcm_writei(device, samples.data() + done, samples.size() - done);
        if (written == -EAGAIN) {
            waitForDevice();
            continue;
        }
        // An underrun only means the device waited for us: carry on where it stopped.
        if (written < 0)
            written = snd_pcm_recover(device, int(written), 1);
        if (written < 0)
            throw audioError("播放出错", int(written));
        done += std::size_t(written);
    }
    // Draining: every buffered sample played. A device that is not blocking answers "try
    // again" until it has drained, and stays in its draining state meanwhile.
    error = snd_pcm_drain(device);
    while (error == -EAGAIN || snd_pcm_state(device) == SND_PCM_STATE_DRAINING) {
        waitForDevice();
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // some say ready at once
        error = snd_pcm_state(device) == SND_PCM_STATE_DRAINING ? snd_pcm_drain(device) : 0;
    }
    if (error < 0)
        throw audioError("播放出错", error);
}

} // namespace mulo::speech
