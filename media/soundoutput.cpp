#include "media/soundoutput.h"

#include "media/sound.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// What the server holds ahead of what it plays: long enough to ride out a busy moment on two
// cores (150 ms ran dry once with two tests and a build). A start does not wait for it: the
// stream is filled at once and starts at once.
constexpr qint64 bufferMs = 250;
// The server asks for more whenever this much has been played.
constexpr qint64 requestMs = 20;
// After its last frame a sound is followed by this much silence, so that the server plays
// the last frame out instead of waiting for more.
constexpr qint64 tailMs = bufferMs + 100;
constexpr int retryMs = 500;

pa_sample_format_t sampleFormat(QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8:
        return PA_SAMPLE_U8;
    case QAudioFormat::Int16:
        return PA_SAMPLE_S16LE;
    case QAudioFormat::Int32:
        return PA_SAMPLE_S32LE;
    case QAudioFormat::Float:
        return PA_SAMPLE_FLOAT32LE;
    default:
        return PA_SAMPLE_INVALID;
    }
}

uint32_t bytesFor(const QAudioFormat &format, qint64 ms)
{
    return uint32_t(format.sampleRate() * ms / 1000 * format.bytesPerFrame());
}

void release(pa_operation *operation)
{
    if (operation)
        pa_operation_unref(operation);
}

// Disconnects a stream and lets it go. One still being created cannot be disconnected yet:
// it is disconnected the moment it is ready.
void drop(pa_stream *stream)
{
    if (!stream)
        return;
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        pa_stream_set_state_callback(
            stream,
            [](pa_stream *creating, void *) {
                if (pa_stream_get_state(creating) == PA_STREAM_CREATING)
                    return;
                pa_stream_set_state_callback(creating, nullptr, nullptr);
                if (pa_stream_get_state(creating) == PA_STREAM_READY)
                    pa_stream_disconnect(creating);
                pa_stream_unref(creating);
            },
            nullptr);
        return;
    }
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_READY)
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

} // namespace

class SoundOutput::Lock
{
public:
    explicit Lock(const SoundOutput &output)
        : m_loop(output.m_loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~Lock() { pa_threaded_mainloop_unlock(m_loop); }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

Voice::Voice(SoundOutput &output)
    : m_output(output)
{}

Voice::~Voice()
{
    const SoundOutput::Lock lock(m_output);
    dropStream();
    std::erase(m_output.m_voices, this);
}

void Voice::start(std::shared_ptr<const Sound> sound, qint64 first, qint64 end)
{
    const SoundOutput::Lock lock(m_output);
    dropStream();
    m_sound = std::move(sound);
    m_first = m_next = first;
    m_end = end;
    m_silence = 0;
    m_running = true;
    m_lostAt = 0;
    m_wall.start();

    const QAudioFormat format = m_sound->format();
    if (!m_output.ready() || sampleFormat(format.sampleFormat()) == PA_SAMPLE_INVALID)
        return;
    m_triggered = false;
    m_active = newStream(format);
}

void Voice::stop()
{
    const SoundOutput::Lock lock(m_output);
    m_running = false;
    drop(std::exchange(m_active, nullptr));
    m_sound.reset();
}

qint64 Voice::playedFrames() const
{
    const SoundOutput::Lock lock(m_output);
    return played();
}

bool Voice::finished() const
{
    const SoundOutput::Lock lock(m_output);
    const qint64 end = m_running ? endFrame() : 0;
    return m_running && end != std::numeric_limits<qint64>::max() && played() >= end - m_first;
}

void Voice::pump()
{
    const SoundOutput::Lock lock(m_output);
    if (m_active && pa_stream_get_state(m_active) == PA_STREAM_READY)
        fill(m_active, pa_stream_writable_size(m_active));
}

qint64 Voice::played() const
{
    if (!m_running)
        return 0;
    const int rate = m_sound->format().sampleRate();
    if (!m_active)
        return m_lostAt + m_wall.elapsed() * rate / 1000;
    // Each start has a new stream, whose clock counts from its first frame.
    pa_usec_t time = 0;
    if (pa_stream_get_time(m_active, &time) < 0)
        return 0;
    return qint64(time) * rate / 1000000;
}

void Voice::dropStream()
{
    drop(std::exchange(m_active, nullptr));
}

pa_stream *Voice::newStream(const QAudioFormat &format)
{
    const pa_sample_spec spec{sampleFormat(format.sampleFormat()), uint32_t(format.sampleRate()),
                              uint8_t(format.channelCount())};
    if (!format.isValid() || !pa_sample_spec_valid(&spec))
        return nullptr;
    pa_stream *stream = pa_stream_new(m_output.m_context, "Mivora", &spec, nullptr);
    if (!stream)
        return nullptr;
    // A stream that ran dry on a busy machine starts again as soon as it has one request's
    // worth: with the server's default, the whole buffer, it waited for more than the server
    // would ever ask for, and stood still for good.
    const pa_buffer_attr buffer{std::numeric_limits<uint32_t>::max(), bytesFor(format, bufferMs),
                                bytesFor(format, requestMs), bytesFor(format, requestMs),
                                std::numeric_limits<uint32_t>::max()};
    pa_stream_set_write_callback(stream, &Voice::writeRequested, this);
    pa_stream_set_state_callback(stream, &Voice::stateChanged, this);
    const auto flags =
        pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        pa_stream_unref(stream);
        return nullptr;
    }
    return stream;
}

qint64 Voice::endFrame() const
{
    const qint64 available = m_sound->framesAvailable();
    if (!m_sound->complete())
        return m_end >= 0 ? m_end : std::numeric_limits<qint64>::max();
    return m_end >= 0 ? std::min(m_end, available) : available;
}

void Voice::fill(pa_stream *stream, size_t bytes)
{
    if (stream != m_active || !m_running)
        return;
    const int frameBytes = m_sound->format().bytesPerFrame();
    const qint64 tail = bytesFor(m_sound->format(), tailMs);
    while (bytes >= size_t(frameBytes)) {
        void *data = nullptr;
        size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data)
            return;
        qint64 frames = qint64(std::min(size, bytes)) / frameBytes;
        const qint64 end = endFrame();
        if (m_next < end) {
            frames =
                m_sound->read(m_next, std::min(frames, end - m_next), static_cast<char *>(data));
            if (frames == 0) {
                // A sound still being decoded: the player asks again when it has grown.
                pa_stream_cancel_write(stream);
                return;
            }
            m_next += frames;
        } else {
            if (m_silence >= tail) {
                pa_stream_cancel_write(stream);
                return;
            }
            const int zero = m_sound->format().sampleFormat() == QAudioFormat::UInt8 ? 0x80 : 0;
            std::memset(data, zero, size_t(frames * frameBytes));
            m_silence += frames * frameBytes;
        }
        pa_stream_write(stream, data, size_t(frames * frameBytes), nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= size_t(frames * frameBytes);
    }
    if (!m_triggered && pa_stream_get_state(stream) == PA_STREAM_READY)
        trigger();
}

void Voice::trigger()
{
    // The server would wait until it holds as much as it asked for; what the stream was given
    // plays now.
    release(pa_stream_trigger(m_active, nullptr, nullptr));
    m_triggered = true;
}

void Voice::lose()
{
    if (m_running && m_active) {
        // The clock goes on from where the server left it, not from the start again.
        m_lostAt = played();
        m_wall.start();
    }
    dropStream();
}

void Voice::writeRequested(pa_stream *stream, size_t bytes, void *voice)
{
    static_cast<Voice *>(voice)->fill(stream, bytes);
}

void Voice::stateChanged(pa_stream *stream, void *voice)
{
    auto *self = static_cast<Voice *>(voice);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED)
        return;
    if (stream == self->m_active)
        self->lose();
}

Capture::Capture(SoundOutput &output)
    : m_output(output)
{}

Capture::~Capture()
{
    const SoundOutput::Lock lock(m_output);
    dropStream();
}

void Capture::start(const QAudioFormat &format, qint64 frames)
{
    const SoundOutput::Lock lock(m_output);
    dropStream();
    m_samples.clear();
    m_wanted = frames * format.bytesPerFrame();
    m_peak = 0;
    m_state = State::Failed;
    const pa_sample_spec spec{PA_SAMPLE_S16LE, uint32_t(format.sampleRate()),
                              uint8_t(format.channelCount())};
    if (!m_output.ready() || format.sampleFormat() != QAudioFormat::Int16 ||
        !pa_sample_spec_valid(&spec))
        return;
    m_stream = pa_stream_new(m_output.m_context, "Mivora", &spec, nullptr);
    if (!m_stream)
        return;
    // Small fragments, so that the level meter moves with the voice.
    pa_buffer_attr buffer{};
    buffer.maxlength = buffer.tlength = buffer.prebuf = buffer.minreq =
        std::numeric_limits<uint32_t>::max();
    buffer.fragsize = bytesFor(format, requestMs);
    pa_stream_set_read_callback(m_stream, &Capture::readable, this);
    pa_stream_set_state_callback(m_stream, &Capture::stateChanged, this);
    if (pa_stream_connect_record(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY) < 0) {
        pa_stream_unref(std::exchange(m_stream, nullptr));
        return;
    }
    m_state = m_wanted > 0 ? State::Recording : State::Done;
}

void Capture::stop()
{
    const SoundOutput::Lock lock(m_output);
    dropStream();
    if (m_state == State::Recording)
        m_state = State::Done;
}

Capture::State Capture::state() const
{
    const SoundOutput::Lock lock(m_output);
    return m_state;
}

double Capture::takePeak()
{
    const SoundOutput::Lock lock(m_output);
    return std::exchange(m_peak, 0) / 32768.0;
}

QByteArray Capture::takeSamples()
{
    const SoundOutput::Lock lock(m_output);
    return std::exchange(m_samples, {});
}

void Capture::dropStream()
{
    if (m_stream)
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    drop(std::exchange(m_stream, nullptr));
}

void Capture::take(pa_stream *stream)
{
    const void *data = nullptr;
    size_t size = 0;
    while (stream == m_stream && pa_stream_readable_size(stream) > 0 &&
           pa_stream_peek(stream, &data, &size) == 0 && size > 0) {
        const qint64 room = m_wanted - m_samples.size();
        // A hole in the recording (data null) is silence to the child's ear as well.
        const qsizetype kept = qsizetype(std::min<qint64>(qint64(size), room)) & ~qsizetype(1);
        if (data) {
            const auto *samples = static_cast<const qint16 *>(data);
            for (qsizetype i = 0; i < kept / 2; ++i)
                m_peak = std::max(m_peak, std::abs(int(samples[i])));
            m_samples.append(static_cast<const char *>(data), kept);
        } else {
            m_samples.append(kept, '\0');
        }
        pa_stream_drop(stream);
        if (m_samples.size() >= m_wanted) {
            m_state = State::Done;
            dropStream();
            return;
        }
    }
}

void Capture::readable(pa_stream *stream, size_t, void *capture)
{
    static_cast<Capture *>(capture)->take(stream);
}

void Capture::stateChanged(pa_stream *stream, void *capture)
{
    auto *self = static_cast<Capture *>(capture);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (stream != self->m_stream || (state != PA_STREAM_FAILED && state != PA_STREAM_TERMINATED))
        return;
    // No source to record from, or the server went away while it recorded.
    self->m_state = State::Failed;
    self->dropStream();
}

SoundOutput &SoundOutput::instance()
{
    static SoundOutput output;
    return output;
}

SoundOutput::SoundOutput()
    : m_loop(pa_threaded_mainloop_new())
{
    pa_threaded_mainloop_set_name(m_loop, "mivora-sound");
    {
        const Lock lock(*this);
        connect();
    }
    pa_threaded_mainloop_start(m_loop);
}

SoundOutput::~SoundOutput()
{
    {
        const Lock lock(*this);
        for (Voice *voice : m_voices)
            voice->dropStream();
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

std::unique_ptr<Voice> SoundOutput::voice()
{
    std::unique_ptr<Voice> voice(new Voice(*this));
    const Lock lock(*this);
    m_voices.push_back(voice.get());
    return voice;
}

std::unique_ptr<Capture> SoundOutput::capture()
{
    return std::unique_ptr<Capture>(new Capture(*this));
}

bool SoundOutput::ready() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

void SoundOutput::connect()
{
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Mivora");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "mivora");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    m_context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Mivora", properties);
    pa_proplist_free(properties);
    // A program that only reads aloud does not start a sound server of its own.
    if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        if (m_context)
            pa_context_unref(m_context);
        m_context = nullptr;
        retryLater();
        return;
    }
    pa_context_set_state_callback(m_context, &SoundOutput::contextChanged, this);
    contextChanged(m_context, this);
}

void SoundOutput::retryLater()
{
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop);
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(retryMs) * PA_USEC_PER_MSEC);
    api->time_new(
        api, &when,
        [](pa_mainloop_api *loop, pa_time_event *event, const timeval *, void *output) {
            loop->time_free(event);
            static_cast<SoundOutput *>(output)->connect();
        },
        this);
}

void SoundOutput::contextChanged(pa_context *context, void *output)
{
    auto *self = static_cast<SoundOutput *>(output);
    if (context != self->m_context)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        for (Voice *voice : self->m_voices)
            voice->lose();
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_unref(context);
        self->m_context = nullptr;
        self->retryLater();
        break;
    default:
        break;
    }
}
