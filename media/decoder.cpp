#include "media/decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QByteArray>

#include <memory>
#include <mutex>

namespace {

constexpr int ioBufferBytes = 32 * 1024;

struct Io
{
    const Decoder::Input &input;
    int64_t position = 0;
};

int readPacket(void *opaque, uint8_t *into, int size)
{
    auto *io = static_cast<Io *>(opaque);
    const qint64 got = io->input.readAt(reinterpret_cast<char *>(into), size, io->position);
    if (got <= 0)
        return got < 0 ? AVERROR(EIO) : AVERROR_EOF;
    io->position += got;
    return int(got);
}

int64_t seekTo(void *opaque, int64_t offset, int whence)
{
    auto *io = static_cast<Io *>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return io->input.size;
    int64_t target = offset;
    if (whence == SEEK_CUR)
        target += io->position;
    else if (whence == SEEK_END)
        target += io->input.size;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (target < 0)
        return AVERROR(EINVAL);
    io->position = std::min<int64_t>(target, io->input.size);
    return io->position;
}

struct FormatCloser
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct IoCloser
{
    void operator()(AVIOContext *context) const
    {
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
};
struct CodecCloser
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct PacketCloser
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct FrameCloser
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct ResamplerCloser
{
    void operator()(SwrContext *context) const { swr_free(&context); }
};

// Converts decoded frames to interleaved 16-bit samples, mono or stereo, at their own rate.
class Converter
{
public:
    bool open(const AVCodecContext &codec)
    {
        AVChannelLayout in{};
        if (codec.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, codec.ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &codec.ch_layout) < 0)
            return false;
        const int channels = std::min(in.nb_channels, 2);
        AVChannelLayout out{};
        av_channel_layout_default(&out, channels);
        SwrContext *context = nullptr;
        const int status =
            swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_S16, codec.sample_rate, &in,
                                codec.sample_fmt, codec.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        av_channel_layout_uninit(&out);
        m_resampler.reset(context);
        if (status < 0 || swr_init(context) < 0 || channels < 1)
            return false;
        m_format.setSampleRate(codec.sample_rate);
        m_format.setChannelCount(channels);
        m_format.setSampleFormat(QAudioFormat::Int16);
        return true;
    }

    const QAudioFormat &format() const { return m_format; }

    // The frame's samples; empty when it has none or they do not convert.
    QByteArrayView convert(const AVFrame &frame)
    {
        const int capacity = frame.nb_samples + 256;
        m_buffer.resize(qsizetype(capacity) * m_format.bytesPerFrame());
        auto *out = reinterpret_cast<uint8_t *>(m_buffer.data());
        const int made =
            swr_convert(m_resampler.get(), &out, capacity,
                        const_cast<const uint8_t **>(frame.extended_data), frame.nb_samples);
        if (made <= 0)
            return {};
        return QByteArrayView(m_buffer).first(qsizetype(made) * m_format.bytesPerFrame());
    }

private:
    std::unique_ptr<SwrContext, ResamplerCloser> m_resampler;
    QAudioFormat m_format;
    QByteArray m_buffer;
};

} // namespace

namespace Decoder {

bool decode(const Input &input, const FormatSink &format, const SampleSink &samples)
{
    // A damaged file is silence, not a line on the terminal.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    Io io{input};
    auto *buffer = static_cast<unsigned char *>(av_malloc(ioBufferBytes));
    if (!buffer)
        return false;
    std::unique_ptr<AVIOContext, IoCloser> avio(
        avio_alloc_context(buffer, ioBufferBytes, 0, &io, &readPacket, nullptr, &seekTo));
    if (!avio) {
        av_free(buffer);
        return false;
    }
    AVFormatContext *opened = avformat_alloc_context();
    if (!opened)
        return false;
    opened->pb = avio.get();
    opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure avformat_open_input frees the context itself.
    if (avformat_open_input(&opened, nullptr, nullptr, nullptr) < 0)
        return false;
    std::unique_ptr<AVFormatContext, FormatCloser> container(opened);
    if (avformat_find_stream_info(container.get(), nullptr) < 0)
        return false;
    const AVCodec *codec = nullptr;
    const int stream = av_find_best_stream(container.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec)
        return false;
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), container->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return false;

    Converter converter;
    bool started = false;
    bool decoded = false;
    std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
    if (!packet || !frame)
        return false;

    // Takes every frame the decoder has ready; false when the caller wants no more.
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            if (!started) {
                if (!converter.open(*decoder) || !format(converter.format()))
                    return false;
                started = true;
            }
            const QByteArrayView converted = converter.convert(*frame);
            av_frame_unref(frame.get());
            if (converted.isEmpty())
                continue;
            decoded = true;
            if (!samples(converted))
                return false;
        }
        return true;
    };

    while (av_read_frame(container.get(), packet.get()) >= 0) {
        const bool ours = packet->stream_index == stream;
        // A damaged packet is skipped; what follows may decode again.
        if (ours)
            avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        if (ours && !drain())
            return decoded;
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return decoded;
}

} // namespace Decoder
