#include "outputs.h"

#include <QFile>
#include <QtEndian>
#include <alsa/asoundlib.h>

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

void SoundDeviceOutput::play(std::span<const std::int16_t> samples, int sampleRate)
{
    static const bool quiet = snd_lib_error_set_handler(quietAlsa) == 0;
    Q_UNUSED(quiet);
    snd_pcm_t* device = nullptr;
    // Opened without waiting: a device that another program holds (plain ALSA, no sound
    // server) would otherwise keep the window waiting until it is free.
    int error = snd_pcm_open(&device, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0)
        throw audioError("无法打开声音设备", error);
    struct Closer {
        snd_pcm_t* device;
        ~Closer() { snd_pcm_close(device); }
    } closer{device};
    // Once open, writing waits for the device: the answer returns when it has been played.
    if ((error = snd_pcm_nonblock(device, 0)) < 0)
        throw audioError("无法打开声音设备", error);

    // ALSA converts to whatever the device takes; a fifth of a second of buffering.
    error = snd_pcm_set_params(device, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               unsigned(sampleRate), 1, 200000);
    if (error < 0)
        throw audioError("无法打开声音设备", error);
    for (std::size_t done = 0; done < samples.size();) {
        snd_pcm_sframes_t written =
            snd_pcm_writei(device, samples.data() + done, samples.size() - done);
        // An underrun only means the device waited for us: carry on where it stopped.
        if (written < 0)
            written = snd_pcm_recover(device, int(written), 1);
        if (written < 0)
            throw audioError("播放出错", int(written));
        done += std::size_t(written);
    }
    // Draining waits until every buffered sample has been played.
    if ((error = snd_pcm_drain(device)) < 0)
        throw audioError("播放出错", error);
}

WavFileOutput::WavFileOutput(QString path) : m_file(std::move(path)) {}

WavFileOutput::~WavFileOutput() = default;

// The canonical 44-byte header of a 16-bit mono PCM file.
void WavFileOutput::writeHeader()
{
    QByteArray header;
    const auto u32 = [&header](quint32 v) {
        char bytes[4];
        qToLittleEndian(v, bytes);
        header.append(bytes, 4);
    };
    const auto u16 = [&header](quint16 v) {
        char bytes[2];
        qToLittleEndian(v, bytes);
        header.append(bytes, 2);
    };
    header.append("RIFF");
    u32(36 + m_dataBytes);
    header.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(quint32(m_sampleRate));
    u32(quint32(m_sampleRate) * 2); // bytes per second
    u16(2);                         // bytes per frame
    u16(16);                        // bits per sample
    header.append("data");
    u32(m_dataBytes);
    if (!m_file.seek(0) || m_file.write(header) != header.size())
        throw RuntimeError(
            QStringLiteral("写入 %1 出错：%2").arg(m_file.fileName(), m_file.errorString()));
}

void WavFileOutput::play(std::span<const std::int16_t> samples, int sampleRate)
{
    if (!m_file.isOpen() || sampleRate != m_sampleRate) {
        m_file.close();
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw RuntimeError(
                QStringLiteral("无法写入 %1：%2").arg(m_file.fileName(), m_file.errorString()));
        m_sampleRate = sampleRate;
        m_dataBytes = 0;
        writeHeader();
    }
    const qint64 bytes = qint64(samples.size()) * 2;
    if (m_dataBytes + quint64(bytes) > 0xFFFFFFFFu - 36)
        throw RuntimeError(QStringLiteral("%1 已满").arg(m_file.fileName()));
    QByteArray data(bytes, Qt::Uninitialized);
    qToLittleEndian<qint16>(samples.data(), qsizetype(samples.size()), data.data());
    if (!m_file.seek(44 + qint64(m_dataBytes)) || m_file.write(data) != bytes)
        throw RuntimeError(
            QStringLiteral("写入 %1 出错：%2").arg(m_file.fileName(), m_file.errorString()));
    m_dataBytes += quint32(bytes);
    writeHeader(); // the file is complete after every utterance
    m_file.flush();
}

} // namespace mulo::speech
