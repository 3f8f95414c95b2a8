#include "media/moviedecoder.h"

#include "media/avcontainer.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

struct ScalerCloser
{
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};

} // namespace

struct MovieDecoder::Private
{
    std::unique_ptr<Av::Container> container;
    Av::Container::Stream video;
    Av::Packet packet{av_packet_alloc()};
    Av::Frame frame{av_frame_alloc()};
    std::unique_ptr<SwsContext, ScalerCloser> scaler;
    QSize size;
    AVRational timeBase{1, 1000};
    int64_t start = 0;
    qint64 lastMs = -1;
    bool flushed = false;

    std::optional<MovieFrame> convert();
};

MovieDecoder::MovieDecoder()
    : d(std::make_unique<Private>())
{}

MovieDecoder::~MovieDecoder() = default;

std::unique_ptr<MovieDecoder> MovieDecoder::open(Decoder::Input input, QSize size)
{
    std::unique_ptr<MovieDecoder> movie(new MovieDecoder);
    Private &d = *movie->d;
    d.container = Av::Container::open(std::move(input));
    if (!d.container || !d.packet || !d.frame)
        return nullptr;
    d.video = d.container->openStream(AVMEDIA_TYPE_VIDEO);
    if (d.video.index < 0)
        return nullptr;
    const AVStream *stream = d.container->format()->streams[d.video.index];
    d.timeBase = stream->time_base;
    if (stream->start_time != AV_NOPTS_VALUE)
        d.start = stream->start_time;
    d.size = size;
    return movie;
}

std::optional<MovieFrame> MovieDecoder::next()
{
    AVCodecContext *decoder = d->video.decoder.get();
    AVFormatContext *format = d->container->format();
    for (;;) {
        const int received = avcodec_receive_frame(decoder, d->frame.get());
        if (received == 0) {
            std::optional<MovieFrame> picture = d->convert();
            av_frame_unref(d->frame.get());
            // A picture that does not convert is skipped, as a damaged packet is.
            if (picture)
                return picture;
            continue;
        }
        if (received != AVERROR(EAGAIN) || d->flushed)
            return std::nullopt;
        if (av_read_frame(format, d->packet.get()) < 0) {
            // The end, or a break the demuxer cannot read past: what the decoder holds is
            // still shown.
            avcodec_send_packet(decoder, nullptr);
            d->flushed = true;
            continue;
        }
        // A damaged packet is skipped; what follows may decode again.
        if (d->packet->stream_index == d->video.index)
            avcodec_send_packet(decoder, d->packet.get());
        av_packet_unref(d->packet.get());
    }
}

std::optional<MovieFrame> MovieDecoder::Private::convert()
{
    const AVFrame &picture = *frame;
    if (picture.width <= 0 || picture.height <= 0)
        return std::nullopt;
    const QSize target = size.isEmpty() ? QSize(picture.width, picture.height) : size;
    scaler.reset(sws_getCachedContext(scaler.release(), picture.width, picture.height,
                                      AVPixelFormat(picture.format), target.width(),
                                      target.height(), AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr,
                                      nullptr, nullptr));
    if (!scaler)
        return std::nullopt;
    // AV_PIX_FMT_RGB32 is ARGB in the machine's own byte order, as QImage keeps it.
    QImage image(target, QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    uint8_t *const planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler.get(), picture.data, picture.linesize, 0, picture.height, planes,
                  strides) <= 0)
        return std::nullopt;

    // A picture without a time of its own follows the last one by its duration; times never
    // run backwards, so a damaged one cannot hold the pictures after it back.
    qint64 ms = lastMs < 0 ? 0 : lastMs + 40;
    if (picture.best_effort_timestamp != AV_NOPTS_VALUE)
        ms = av_rescale_q(picture.best_effort_timestamp - start, timeBase, AVRational{1, 1000});
    ms = std::max(ms, std::max<qint64>(lastMs, 0));
    lastMs = ms;
    return MovieFrame{ms, std::move(image)};
}
