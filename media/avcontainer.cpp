#include "media/avcontainer.h"

#include <mutex>

namespace Av {

namespace {

constexpr int ioBufferBytes = 32 * 1024;

} // namespace

std::unique_ptr<Container> Container::open(Decoder::Input input)
{
    // A damaged file is silence or an empty picture, not a line on the terminal.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    std::unique_ptr<Container> container(new Container);
    container->m_input = std::move(input);
    auto *buffer = static_cast<unsigned char *>(av_malloc(ioBufferBytes));
    if (!buffer)
        return nullptr;
    container->m_io = avio_alloc_context(buffer, ioBufferBytes, 0, container.get(),
                                         &Container::readPacket, nullptr, &Container::seekTo);
    if (!container->m_io) {
        av_free(buffer);
        return nullptr;
    }
    AVFormatContext *format = avformat_alloc_context();
    if (!format)
        return nullptr;
    format->pb = container->m_io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure avformat_open_input frees the context itself.
    if (avformat_open_input(&format, nullptr, nullptr, nullptr) < 0)
        return nullptr;
    container->m_format = format;
    if (avformat_find_stream_info(format, nullptr) < 0)
        return nullptr;
    return container;
}

Container::~Container()
{
    avformat_close_input(&m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

Container::Stream Container::openStream(AVMediaType type) const
{
    const AVCodec *codec = nullptr;
    const int index = av_find_best_stream(m_format, type, -1, -1, &codec, 0);
    if (index < 0 || !codec)
        return {};
    Codec decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), m_format->streams[index]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return {};
    return {index, std::move(decoder)};
}

int Container::readPacket(void *opaque, uint8_t *into, int size)
{
    auto *self = static_cast<Container *>(opaque);
    const qint64 got = self->m_input.readAt(reinterpret_cast<char *>(into), size, self->m_position);
    if (got <= 0)
        return got < 0 ? AVERROR(EIO) : AVERROR_EOF;
    self->m_position += got;
    return int(got);
}

int64_t Container::seekTo(void *opaque, int64_t offset, int whence)
{
    auto *self = static_cast<Container *>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return self->m_input.size;
    int64_t target = offset;
    if (whence == SEEK_CUR)
        target += self->m_position;
    else if (whence == SEEK_END)
        target += self->m_input.size;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (target < 0)
        return AVERROR(EINVAL);
    self->m_position = std::min<int64_t>(target, self->m_input.size);
    return self->m_position;
}

} // namespace Av
