#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>

// One source of samples, opened in the background and read as it plays, from any thread.
//
// A WAVE file on disk is never read whole: the samples a player needs are read from the file
// when the sound server asks for them, so a two-hour recording costs no more memory than a
// short one. A compressed file is decoded once, on a worker thread, into an unnamed temporary
// file, and can be played from the moment the samples it needs are there. Compiled-in sounds
// are small and held in memory. Only regular files are opened, and without waiting, so a FIFO
// or a device in place of a recording is silence; so is a missing, empty or undecodable file.
class Sound
{
public:
    enum class Status { Opening, Ready, Failed };

    ~Sound();

    // Samples already in memory, in `format`: ready at once. Holds nothing on disk.
    static std::shared_ptr<Sound> fromSamples(const QAudioFormat &format, QByteArray samples);

    Status status() const { return m_status.load(); }
    // Valid once Ready.
    QAudioFormat format() const;
    // Frames that can be read now; grows while a compressed file is decoded.
    qint64 framesAvailable() const { return m_frames.load(); }
    // Whether framesAvailable() is all there will be.
    bool complete() const { return m_complete.load(); }
    // Reads up to `frames` frames from `frame` on into `into`, in format(); returns how many.
    qint64 read(qint64 frame, qint64 frames, char *into) const;

private:
    friend class SoundLibrary;
    struct Private;
    Sound();

    // Runs on a worker thread.
    void open(const QString &path, bool resource, const std::weak_ptr<Sound> &self);
    bool openWave(int file, qint64 size);
    bool decodeToTemporary(int file, qint64 size, const std::weak_ptr<Sound> &self);
    bool openResource(const QString &path);
    void setReady(const QAudioFormat &format, qint64 frames, bool complete);

    std::atomic<Status> m_status = Status::Opening;
    std::atomic<qint64> m_frames = 0;
    std::atomic<bool> m_complete = false;
    std::unique_ptr<Private> d;
};

// The sounds the players share. Compiled-in sounds (the game's and the practice's few short
// effects) are pinned once opened, so that they start at once every time. Of recordings on
// disk the last few are kept, which costs a file handle each (and for a compressed recording
// its decoded temporary file): turning back a page does not decode again. A file is opened
// anew when its size or time stamp changed.
class SoundLibrary
{
public:
    // The one library of the program.
    static SoundLibrary &instance();

    explicit SoundLibrary(int keptFiles = 4);
    ~SoundLibrary();

    // Starts opening `path` in the background, or returns the sound already opened.
    std::shared_ptr<Sound> sound(const QString &path);

private:
    QThreadPool m_workers;
    int m_keptFiles;
    std::map<QString, std::shared_ptr<Sound>> m_pinned;
    std::list<std::pair<QString, std::shared_ptr<Sound>>> m_files;
};
