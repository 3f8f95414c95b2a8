#pragma once

#include "media/wavfile.h"

#include <QObject>
#include <QString>

#include <list>
#include <memory>

class QAudioDecoder;

// One source decoded to samples, once. WAVE files are read at once; anything else goes
// through QAudioDecoder and grows while it decodes, far faster than it plays. A file that is
// missing, empty or cannot be decoded ends Failed, with no message; one that breaks off part
// way ends Ready with what could be decoded.
class PcmSound : public QObject
{
    Q_OBJECT
public:
    enum class Status { Decoding, Ready, Failed };

    explicit PcmSound(const QString &path);
    ~PcmSound() override;

    Status status() const { return m_status; }
    const QAudioFormat &format() const { return m_pcm.format; }
    const QByteArray &data() const { return m_pcm.data; }

signals:
    // More samples, or the end of decoding.
    void grew();

private:
    void decode(QByteArray bytes);
    void append();
    void finish();

    Status m_status = Status::Decoding;
    Pcm m_pcm;
    QAudioDecoder *m_decoder = nullptr;
};

// The decoded sounds the players share, so that a source set again (a page turned back, the
// game's praise) plays at once instead of being decoded anew. Sounds in use stay; the others
// are kept up to a budget, the most recently asked for first. A file is decoded anew when its
// size or time stamp changed.
class PcmLibrary : public QObject
{
    Q_OBJECT
public:
    // The one library of the application, destroyed with it.
    static PcmLibrary &instance();

    explicit PcmLibrary(qsizetype budgetBytes, QObject *parent = nullptr);

    std::shared_ptr<PcmSound> sound(const QString &path);

private:
    struct Entry
    {
        QString key;
        std::shared_ptr<PcmSound> sound;
    };

    void trim();

    qsizetype m_budget;
    std::list<Entry> m_entries;
};
