#include "media/sound.h"

#include "media/decoder.h"
#include "media/regularfile.h"
#include "media/wavfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

bool writeAll(int file, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(file, bytes.data() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// A file that no other process can open and that goes with the last handle, even when the
// program is killed.
int unnamedTemporaryFile()
{
    QByteArray name = QFile::encodeName(QDir::tempPath() + QStringLiteral("/mivora-XXXXXX"));
    const int file = ::mkstemp(name.data());
    if (file >= 0)
        ::unlink(name.constData());
    return file;
}

} // namespace

struct Sound::Private
{
    mutable std::mutex mutex;
    QAudioFormat format;
    // Samples in memory, as the server takes them; or a file with its layout.
    QByteArray memory;
    int file = -1;
    Wav::Layout layout;
};

Sound::Sound()
    : d(std::make_unique<Private>())
{}

Sound::~Sound()
{
    if (d->file >= 0)
        ::close(d->file);
}

std::shared_ptr<Sound> Sound::fromSamples(const QAudioFormat &format, QByteArray samples)
{
    std::shared_ptr<Sound> sound(new Sound);
    const qint64 frames = samples.size() / std::max(1, format.bytesPerFrame());
    sound->d->memory = std::move(samples);
    sound->setReady(format, frames, true);
    return sound;
}

QAudioFormat Sound::format() const
{
    std::lock_guard lock(d->mutex);
    return d->format;
}

qint64 Sound::read(qint64 frame, qint64 frames, char *into) const
{
    const qint64 count = std::min(frames, framesAvailable() - frame);
    if (count <= 0 || frame < 0)
        return 0;
    if (d->file < 0) {
        const int frameBytes = d->format.bytesPerFrame();
        std::memcpy(into, d->memory.constData() + frame * frameBytes, size_t(count * frameBytes));
        return count;
    }
    const Wav::Layout &layout = d->layout;
    const qint64 stored = count * layout.storedFrameBytes();
    const qint64 at = layout.dataOffset + frame * layout.storedFrameBytes();
    if (layout.storedSampleBytes == layout.format.bytesPerSample())
        return RegularFile::readAt(d->file, into, stored, at) / layout.storedFrameBytes();
    QByteArray raw(stored, Qt::Uninitialized);
    const qint64 got = RegularFile::readAt(d->file, raw.data(), stored, at);
    raw.truncate(got - got % layout.storedFrameBytes());
    const QByteArray converted = Wav::toServerSamples(layout, raw);
    std::memcpy(into, converted.constData(), size_t(converted.size()));
    return converted.size() / layout.format.bytesPerFrame();
}

void Sound::setReady(const QAudioFormat &format, qint64 frames, bool complete)
{
    {
        std::lock_guard lock(d->mutex);
        d->format = format;
    }
    m_frames = frames;
    m_complete = complete;
    m_status = Status::Ready;
}

void Sound::open(const QString &path, bool resource, const std::weak_ptr<Sound> &self)
{
    bool opened = false;
    if (resource) {
        opened = openResource(path);
    } else {
        RegularFile file(path);
        if (file.isOpen()) {
            const qint64 size = file.size();
            d->file = file.release();
            opened = openWave(d->file, size) || decodeToTemporary(d->file, size, self);
        }
    }
    m_complete = true;
    if (!opened)
        m_status = Status::Failed;
}

bool Sound::openWave(int file, qint64 size)
{
    const auto read = [file](qint64 at, qint64 length) {
        QByteArray bytes(length, Qt::Uninitialized);
        bytes.truncate(RegularFile::readAt(file, bytes.data(), length, at));
        return bytes;
    };
    const std::optional<Wav::Layout> layout = Wav::readLayout(read, size);
    if (!layout)
        return false;
    if (layout->frames() == 0)
        return false;
    d->layout = *layout;
    setReady(layout->format, layout->frames(), true);
    return true;
}

bool Sound::decodeToTemporary(int file, qint64 size, const std::weak_ptr<Sound> &self)
{
    const Decoder::Input input = RegularFile::inputOf(file, size);
    const int temporary = unnamedTemporaryFile();
    if (temporary < 0)
        return false;
    Wav::Layout layout;
    const auto format = [&](const QAudioFormat &decoded) {
        layout.format = decoded;
        layout.storedSampleBytes = decoded.bytesPerSample();
        return true;
    };
    const auto samples = [&](QByteArrayView bytes) {
        // Nobody wants this sound any more: a page turned on before it was decoded.
        if (self.use_count() <= 1 || !writeAll(temporary, bytes))
            return false;
        if (m_status == Status::Opening) {
            // The reader of the temporary file takes over from the reader of the source,
            // which the decoder goes on reading.
            d->file = temporary;
            d->layout = layout;
            setReady(layout.format, 0, false);
        }
        m_frames += bytes.size() / layout.format.bytesPerFrame();
        return true;
    };
    const bool decoded = Decoder::decode(input, format, samples);
    // Whichever of the two is not read from now on is closed here; the other with the sound.
    ::close(d->file == temporary ? file : temporary);
    return decoded && framesAvailable() > 0;
}

bool Sound::openResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (std::optional<Pcm> pcm = Wav::parse(bytes)) {
        d->memory = std::move(pcm->data);
        const qint64 frames = d->memory.size() / std::max(1, pcm->format.bytesPerFrame());
        if (frames == 0)
            return false;
        setReady(pcm->format, frames, true);
        return true;
    }
    const Decoder::Input input{[&bytes](char *into, qint64 length, qint64 at) {
                                   const qint64 got = std::min<qint64>(length, bytes.size() - at);
                                   std::memcpy(into, bytes.constData() + at, size_t(got));
                                   return got;
                               },
                               bytes.size()};
    QAudioFormat decodedFormat;
    QByteArray decoded;
    const bool ok = Decoder::decode(
        input,
        [&](const QAudioFormat &format) {
            decodedFormat = format;
            return true;
        },
        [&](QByteArrayView samples) {
            decoded.append(samples);
            return true;
        });
    if (!ok)
        return false;
    d->memory = std::move(decoded);
    setReady(decodedFormat, d->memory.size() / decodedFormat.bytesPerFrame(), true);
    return true;
}

SoundLibrary &SoundLibrary::instance()
{
    static SoundLibrary library;
    return library;
}

SoundLibrary::SoundLibrary(int keptFiles)
    : m_keptFiles(keptFiles)
{
    m_workers.setMaxThreadCount(2);
}

SoundLibrary::~SoundLibrary()
{
    // A decoding that nobody holds a sound of any more gives up, so the wait is short.
    m_pinned.clear();
    m_files.clear();
    m_workers.waitForDone();
}

std::shared_ptr<Sound> SoundLibrary::sound(const QString &path)
{
    const bool resource = path.startsWith(u":/");
    QString key = path;
    if (!resource) {
        // A stat, which unlike an open never waits, even for a FIFO.
        const QFileInfo info(path);
        key +=
            QStringLiteral("|%1|%2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    if (resource) {
        if (auto pinned = m_pinned.find(key); pinned != m_pinned.end())
            return pinned->second;
    } else {
        for (auto entry = m_files.begin(); entry != m_files.end(); ++entry) {
            if (entry->first != key)
                continue;
            // A file that could not be opened may be there now.
            if (entry->second->status() == Sound::Status::Failed) {
                m_files.erase(entry);
                break;
            }
            m_files.splice(m_files.begin(), m_files, entry);
            return entry->second;
        }
    }

    std::shared_ptr<Sound> sound(new Sound);
    m_workers.start([sound, path, resource] { sound->open(path, resource, sound); });
    if (resource) {
        m_pinned.emplace(key, sound);
    } else {
        m_files.emplace_front(key, sound);
        while (qsizetype(m_files.size()) > m_keptFiles)
            m_files.pop_back();
    }
    return sound;
}
