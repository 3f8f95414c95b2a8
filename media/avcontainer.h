#pragma once

#include "media/decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

// FFmpeg's demuxing as the players use it: a container read through an Input, so FFmpeg never
// opens a path itself and never meets a FIFO or a device, and its best stream of a kind with
// that stream's decoder opened.
namespace Av {

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
using Codec = std::unique_ptr<AVCodecContext, CodecCloser>;
using Packet = std::unique_ptr<AVPacket, PacketCloser>;
using Frame = std::unique_ptr<AVFrame, FrameCloser>;

class Container
{
public:
    // Null when FFmpeg does not recognise the bytes as a container it reads.
    static std::unique_ptr<Container> open(Decoder::Input input);
    ~Container();
    Container(const Container &) = delete;
    Container &operator=(const Container &) = delete;

    AVFormatContext *format() const { return m_format; }
    // The best stream of `type` and its opened decoder; stream -1 when there is none that
    // decodes.
    struct Stream
    {
        int index = -1;
        Codec decoder;
    };
    Stream openStream(AVMediaType type) const;

private:
    Container() = default;
    static int readPacket(void *opaque, uint8_t *into, int size);
    static int64_t seekTo(void *opaque, int64_t offset, int whence);

    Decoder::Input m_input;
    int64_t m_position = 0;
    AVIOContext *m_io = nullptr;
    AVFormatContext *m_format = nullptr;
};

} // namespace Av
