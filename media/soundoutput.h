#pragma once

#include <QAudioFormat>
#include <QElapsedTimer>

#include <memory>
#include <vector>

class Sound;
struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

class SoundOutput;

// One recording from the server's default source (the microphone): a given number of frames,
// kept in memory, with the loudest sample heard since it was last asked for. Used from the GUI
// thread; the samples arrive on the output's own thread.
class Capture
{
public:
    enum class State { Recording, Done, Failed };

    ~Capture();
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;

    // Records `frames` frames in `format` (signed 16-bit samples); Failed at once without a
    // server, later when the server has no source to record from.
    void start(const QAudioFormat &format, qint64 frames);
    void stop();
    State state() const;
    // The loudest sample since the last call, from 0 to 1.
    double takePeak();
    // What has been recorded, which the capture no longer holds.
    QByteArray takeSamples();

private:
    friend class SoundOutput;
    explicit Capture(SoundOutput &output);

    // All below run with the output's lock held.
    void dropStream();
    void take(pa_stream *stream);
    static void readable(pa_stream *stream, size_t bytes, void *capture);
    static void stateChanged(pa_stream *stream, void *capture);

    SoundOutput &m_output;
    pa_stream *m_stream = nullptr;
    State m_state = State::Done;
    QByteArray m_samples;
    qint64 m_wanted = 0; // bytes
    int m_peak = 0;
};

// One player's way to the sound server: plays a range of frames of a sound and says how much
// of it the server has played. Used from the GUI thread; the samples are read and written on
// the output's own thread, as the server asks for them.
//
// Every start gets a stream of its own, so a start inherits nothing of the last sound: its
// first frames go out as soon as the server has made the stream, without waiting for its
// buffer to fill, and the stream's clock counts from its first frame. Stopping drops the
// stream, and with it all the server still held.
class Voice
{
public:
    ~Voice();
    Voice(const Voice &) = delete;
    Voice &operator=(const Voice &) = delete;

    // Plays frames [first, end) of `sound`, then silence; end -1 is the end of the sound, even
    // while it still grows.
    void start(std::shared_ptr<const Sound> sound, qint64 first, qint64 end);
    void stop();
    // Frames of the current start that the server has played; on the wall clock while there
    // is no server.
    qint64 playedFrames() const;
    // Whether the server has played the last frame of the range.
    bool finished() const;
    // Writes what a sound still being decoded has gained since the server last asked.
    void pump();

private:
    friend class SoundOutput;
    explicit Voice(SoundOutput &output);

    // All below run with the output's lock held.
    void dropStream();
    pa_stream *newStream(const QAudioFormat &format);
    void fill(pa_stream *stream, size_t bytes);
    void lose();
    qint64 played() const;
    void trigger();
    qint64 endFrame() const;
    static void writeRequested(pa_stream *stream, size_t bytes, void *voice);
    static void stateChanged(pa_stream *stream, void *voice);

    SoundOutput &m_output;
    pa_stream *m_active = nullptr;
    std::shared_ptr<const Sound> m_sound;
    qint64 m_first = 0;
    qint64 m_next = 0;
    qint64 m_end = -1;
    qint64 m_silence = 0; // bytes of silence written after the end
    bool m_running = false;
    bool m_triggered = false;
    // Without a server: where the wall clock took over, and from when.
    qint64 m_lostAt = 0;
    QElapsedTimer m_wall;
};

// The program's one connection to the sound server (PulseAudio, or PipeWire's PulseAudio
// layer), on a thread of its own. When the server goes away the voices go on silently on
// the wall clock, and the connection is tried again every half second until the server is
// back; the first start after that is heard.
class SoundOutput
{
public:
    static SoundOutput &instance();
    ~SoundOutput();

    std::unique_ptr<Voice> voice();
    std::unique_ptr<Capture> capture();

private:
    friend class Voice;
    friend class Capture;
    SoundOutput();

    class Lock;
    void connect();
    void retryLater();
    bool ready() const;
    static void contextChanged(pa_context *context, void *output);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    std::vector<Voice *> m_voices;
};
