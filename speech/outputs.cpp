#include "outputs.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace mulo::speech {

namespace {

// One answer on the sound device, shared by the player thread and the answer that started
// it: whichever ends last lets it go.
struct Playing {
    std::vector<std::int16_t> samples;
    int sampleRate;
    std::atomic<bool> givenUp = false;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false; // guarded by lock, as is failure
    std::exception_ptr failure;
};

std::atomic<int> stuckPlayers = 0;

RuntimeError notAnswering()
{
    return RuntimeError(QStringLiteral("播放出错：声音设备没有响应"));
}

} // namespace

int SoundDeviceOutput::playersGivenUp()
{
    return stuckPlayers;
}

void SoundDeviceOutput::play(std::span<const std::int16_t> samples, int sampleRate)
{
    if (samples.empty())
        return;
    if (stuckPlayers >= mostPlayersGivenUp)
        throw notAnswering();
    using namespace std::chrono;
    const auto deadline = steady_clock::now() +
                          duration_cast<steady_clock::duration>(
                              duration<double>(double(samples.size()) / sampleRate)) +
                          seconds(5);
    auto playing = std::make_shared<Playing>();
    playing->samples.assign(samples.begin(), samples.end());
    playing->sampleRate = sampleRate;
    std::thread player;
    try {
        player = std::thread([playing] {
            std::exception_ptr failure;
            try {
                playOnSoundDevice(playing->samples, playing->sampleRate, playing->givenUp);
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard guard(playing->lock);
            playing->failure = failure;
            playing->done = true;
            if (playing->givenUp)
                --stuckPlayers;
            playing->ended.notify_all();
        });
    } catch (const std::system_error&) {
        throw RuntimeError(QStringLiteral("无法打开声音设备：线程不足"));
    }
    std::unique_lock guard(playing->lock);
    const auto ended = [&] { return playing->done; };
    if (m_whileWaiting) {
        while (!ended() && steady_clock::now() < deadline) {
            playing->ended.wait_until(guard, std::min(deadline, steady_clock::now() + 15ms), ended);
            if (ended())
                break;
            guard.unlock();
            m_whileWaiting();
            guard.lock();
        }
    }
    if (!playing->ended.wait_until(guard, deadline, ended)) {
        playing->givenUp = true;
        ++stuckPlayers;
        guard.unlock();
        player.detach();
        throw notAnswering();
    }
    guard.unlock();
    player.join();
    if (playing->failure)
        std::rethrow_exception(playing->failure);
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
