#include "media/pcmsound.h"

#include <QAudioDecoder>
#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

PcmSound::PcmSound(const QString &path)
{
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (bytes.isEmpty()) {
        m_status = Status::Failed;
        return;
    }
    if (std::optional<Pcm> pcm = Wav::parse(bytes)) {
        m_pcm = std::move(*pcm);
        m_status = m_pcm.data.isEmpty() ? Status::Failed : Status::Ready;
        return;
    }
    decode(std::move(bytes));
}

PcmSound::~PcmSound()
{
    // The decoder's pipeline goes before the bytes it reads from.
    delete m_decoder;
}

void PcmSound::decode(QByteArray bytes)
{
    m_decoder = new QAudioDecoder(this);
    // Qt 6.4's GStreamer decoder fails to negotiate some decoders' output (MP3 among them)
    // unless it is told the whole format it is to convert to.
    QAudioFormat format;
    format.setSampleFormat(QAudioFormat::Int16);
    format.setSampleRate(48000);
    format.setChannelCount(2);
    m_decoder->setAudioFormat(format);
    // The decoder reads the bytes already in memory: a compiled-in resource has no URL it
    // could open, and a file read once cannot change under it.
    auto *buffer = new QBuffer(this);
    buffer->setData(std::move(bytes));
    buffer->open(QIODevice::ReadOnly);
    m_decoder->setSourceDevice(buffer);
    connect(m_decoder, &QAudioDecoder::bufferReady, this, &PcmSound::append);
    connect(m_decoder, &QAudioDecoder::finished, this, &PcmSound::finish);
    connect(m_decoder, qOverload<QAudioDecoder::Error>(&QAudioDecoder::error), this,
            &PcmSound::finish);
    m_decoder->start();
}

void PcmSound::append()
{
    const QAudioBuffer buffer = m_decoder->read();
    if (!buffer.isValid())
        return;
    if (m_pcm.data.isEmpty())
        m_pcm.format = buffer.format();
    else if (buffer.format() != m_pcm.format)
        return;
    m_pcm.data.append(buffer.constData<char>(), buffer.byteCount());
    emit grew();
}

void PcmSound::finish()
{
    if (m_status != Status::Decoding)
        return;
    m_status = m_pcm.data.isEmpty() ? Status::Failed : Status::Ready;
    // Deleted later: this runs inside one of the decoder's own signals.
    m_decoder->deleteLater();
    m_decoder = nullptr;
    emit grew();
}

PcmLibrary &PcmLibrary::instance()
{
    // A child of the application, so its decoders are gone before the application is.
    static QPointer<PcmLibrary> library;
    if (!library)
        library = new PcmLibrary(256 * 1024 * 1024, QCoreApplication::instance());
    return *library;
}

PcmLibrary::PcmLibrary(qsizetype budgetBytes, QObject *parent)
    : QObject(parent)
    , m_budget(budgetBytes)
{}

std::shared_ptr<PcmSound> PcmLibrary::sound(const QString &path)
{
    QString key = path;
    if (!path.startsWith(u":/")) {
        const QFileInfo info(path);
        key +=
            QStringLiteral("|%1|%2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
        if (entry->key == key) {
            m_entries.splice(m_entries.begin(), m_entries, entry);
            return m_entries.front().sound;
        }
    }
    auto sound = std::make_shared<PcmSound>(path);
    // A sound that failed is not kept: the file may be there next time.
    if (sound->status() != PcmSound::Status::Failed) {
        m_entries.push_front({key, sound});
        trim();
    }
    return sound;
}

void PcmLibrary::trim()
{
    qsizetype kept = 0;
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        kept += entry->sound->data().size();
        if (kept > m_budget && entry->sound.use_count() == 1)
            entry = m_entries.erase(entry);
        else
            ++entry;
    }
}
