// Stand-ins for sound devices, as ALSA plug-ins, for the speech tests. Load them with
// ~/.asoundrc:
//   pcm_type.busy { lib "/path/to/libasound_module_pcm_standins.so" }
//   pcm.!default { type busy }
// or
//   pcm_type.realtime { lib "/path/to/libasound_module_pcm_standins.so" }
//   pcm.!default { type realtime; file "/path/played.raw"; underrun_at 4000 }
// (stall_at 4000 instead: after 4000 frames the device stops playing, as one pulled out does)

#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

extern "C" {

// A device that another program holds: opened without waiting it reports itself busy at
// once; opened to wait, it waits for the holder (a minute, as long as such a program might
// keep it), then reports itself busy too.
SND_PCM_PLUGIN_DEFINE_FUNC(busy)
{
    (void)pcmp, (void)name, (void)root, (void)conf, (void)stream;
    if (!(mode & SND_PCM_NONBLOCK))
        sleep(60);
    return -EBUSY;
}

SND_PCM_PLUGIN_SYMBOL(busy)
}

namespace {

// A device that plays in real time and writes what it played, as raw samples, to a file;
// it can run dry once (an underrun), after it has taken underrun_at frames.
struct RealTime {
    snd_pcm_ioplug_t io{};
    std::FILE* played = nullptr;
    snd_pcm_uframes_t taken = 0; // frames written to the device so far
    long underrunAt = 0;         // 0: never
    bool underrunDone = false;
    long stallAt = 0; // 0: never; else it plays no more after so many frames
    std::chrono::steady_clock::time_point started;
    snd_pcm_uframes_t playedBefore = 0; // frames played before the last start
    bool running = false;
    int wake[2] = {-1, -1}; // a pipe that is always ready: the device never blocks a poll
    bool nonblock = false;  // opened without waiting
};

RealTime* self(snd_pcm_ioplug_t* io)
{
    return static_cast<RealTime*>(io->private_data);
}

snd_pcm_uframes_t playedSoFar(RealTime* d)
{
    if (!d->running)
        return d->playedBefore;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - d->started).count();
    const auto played = d->playedBefore + snd_pcm_uframes_t(seconds * d->io.rate);
    const auto playable =
        d->stallAt > 0 ? std::min(d->taken, snd_pcm_uframes_t(d->stallAt)) : d->taken;
    return std::min(played, playable); // it cannot play what it has not been given
}

snd_pcm_ioplug_callback_t realTimeCallbacks()
{
    snd_pcm_ioplug_callback_t callbacks{};
    callbacks.start = [](snd_pcm_ioplug_t* io) {
        RealTime* d = self(io);
        d->started = std::chrono::steady_clock::now();
        d->running = true;
        return 0;
    };
    callbacks.stop = [](snd_pcm_ioplug_t* io) {
        RealTime* d = self(io);
        d->playedBefore = playedSoFar(d);
        d->running = false;
        return 0;
    };
    callbacks.pointer = [](snd_pcm_ioplug_t* io) -> snd_pcm_sframes_t {
        RealTime* d = self(io);
        if (d->underrunAt > 0 && !d->underrunDone && d->taken >= snd_pcm_uframes_t(d->underrunAt)) {
            d->underrunDone = true;
            return -EPIPE; // the device ran dry
        }
        return snd_pcm_sframes_t(playedSoFar(d) % io->buffer_size);
    };
    callbacks.transfer = [](snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                            snd_pcm_uframes_t offset, snd_pcm_uframes_t size) -> snd_pcm_sframes_t {
        RealTime* d = self(io);
        const auto* from =
            static_cast<const char*>(areas[0].addr) + (areas[0].first + offset * areas[0].step) / 8;
        std::fwrite(from, 2, size, d->played);
        std::fflush(d->played);
        d->taken += size;
        return snd_pcm_sframes_t(size);
    };
    // As a kernel device does: opened without waiting, it answers "try again" until what it
    // was given has been played.
    callbacks.drain = [](snd_pcm_ioplug_t* io) {
        RealTime* d = self(io);
        if (!d->running) {
            d->started = std::chrono::steady_clock::now();
            d->running = true;
        }
        while (playedSoFar(d) < d->taken) {
            if (d->nonblock)
                return -EAGAIN;
            usleep(1000);
        }
        return 0;
    };
    callbacks.close = [](snd_pcm_ioplug_t* io) {
        RealTime* d = self(io);
        std::fclose(d->played);
        close(d->wake[0]);
        close(d->wake[1]);
        delete d;
        return 0;
    };
    callbacks.prepare = [](snd_pcm_ioplug_t* io) {
        RealTime* d = self(io);
        d->playedBefore = d->taken; // what was given before an underrun has been played
        d->running = false;
        return 0;
    };
    return callbacks;
}

} // namespace

extern "C" {

SND_PCM_PLUGIN_DEFINE_FUNC(realtime)
{
    (void)root;
    const char* file = nullptr;
    long underrunAt = 0, stallAt = 0;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t* n = snd_config_iterator_entry(i);
        const char* id = nullptr;
        snd_config_get_id(n, &id);
        if (!std::strcmp(id, "comment") || !std::strcmp(id, "type") || !std::strcmp(id, "hint"))
            continue;
        if (!std::strcmp(id, "file") && snd_config_get_string(n, &file) == 0)
            continue;
        if (!std::strcmp(id, "underrun_at") && snd_config_get_integer(n, &underrunAt) == 0)
            continue;
        if (!std::strcmp(id, "stall_at") && snd_config_get_integer(n, &stallAt) == 0)
            continue;
        return -EINVAL;
    }
    if (!file || stream != SND_PCM_STREAM_PLAYBACK)
        return -EINVAL;
    auto* d = new RealTime;
    d->played = std::fopen(file, "wb");
    if (!d->played || pipe(d->wake) != 0) {
        delete d;
        return -EIO;
    }
    d->underrunAt = underrunAt;
    d->nonblock = mode & SND_PCM_NONBLOCK;
    d->stallAt = stallAt;
    d->io.version = SND_PCM_IOPLUG_VERSION;
    d->io.name = "a stand-in that plays in real time";
    static const snd_pcm_ioplug_callback_t callbacks = realTimeCallbacks();
    d->io.callback = &callbacks;
    d->io.private_data = d;
    d->io.poll_fd = d->wake[1];
    d->io.poll_events = POLLOUT;
    int error = snd_pcm_ioplug_create(&d->io, name, stream, mode);
    if (error < 0)
        return error;
    const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    const unsigned int formats[] = {SND_PCM_FORMAT_S16_LE};
    snd_pcm_ioplug_set_param_list(&d->io, SND_PCM_IOPLUG_HW_ACCESS, 1, access);
    snd_pcm_ioplug_set_param_list(&d->io, SND_PCM_IOPLUG_HW_FORMAT, 1, formats);
    snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 1);
    snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_RATE, 8000, 48000);
    snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 64 * 1024);
    snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64);
    *pcmp = d->io.pcm;
    return 0;
}

SND_PCM_PLUGIN_SYMBOL(realtime)
}
