#include "media/decoder.h"

#include "media/avcontainer.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QByteArray>

#include <memory>

namespace {

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
    const std::unique_ptr<Av::Container> container = Av::Container::open(input);
    if (!container)
        return false;
    const Av::Container::Stream audio = container->openStream(AVMEDIA_TYPE_AUDIO);
    if (audio.index < 0)
        return false;
    AVCodecContext *decoder = audio.decoder.get();

    Converter converter;
    bool started = false;
    bool decoded = false;
    Av::Packet packet(av_packet_alloc());
    Av::Frame frame(av_frame_alloc());
    if (!packet || !frame)
        return false;

    // Takes every frame the decoder has ready; false when the caller wants no more.
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame.get()) == 0) {
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

    while (av_read_frame(container->format(), packet.get()) >= 0) {
        const bool ours = packet->stream_index == audio.index;
        // A damaged packet is skipped; what follows may decode again.
        if (ours)
            avcodec_send_packet(decoder, packet.get());
        av_packet_unref(packet.get());
        if (ours && !drain())
            return decoded;
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
    return decoded;
}

} // namespace Decoder
