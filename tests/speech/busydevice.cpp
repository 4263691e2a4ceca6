// A stand-in for a sound device that another program holds, as an ALSA plug-in: opened
// without waiting it reports the device busy at once; opened to wait, it waits for the
// holder (a minute, as long as such a program might keep it), then reports it busy too.
// Load it with ~/.asoundrc:
//   pcm_type.busy { lib "/path/to/libasound_module_pcm_busy.so" }
//   pcm.!default { type busy }

#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <cerrno>
#include <unistd.h>

extern "C" {

SND_PCM_PLUGIN_DEFINE_FUNC(busy)
{
    (void)pcmp, (void)name, (void)root, (void)conf, (void)stream;
    if (!(mode & SND_PCM_NONBLOCK))
        sleep(60);
    return -EBUSY;
}

SND_PCM_PLUGIN_SYMBOL(busy)
}
