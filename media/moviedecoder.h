#pragma once

#include "media/decoder.h"

#include <QImage>
#include <QSize>

#include <memory>
#include <optional>

namespace Av {
class Container;
}
struct SwsContext;

// One picture of a movie and when it is due, in ms from the movie's start.
struct MovieFrame
{
    qint64 ms = 0;
    QImage image;
};

// The pictures of a movie (MP4, AVI, GIF, ... whatever FFmpeg's libraries read) one after
// the other, already scaled to the size they are shown at, so that showing one costs a copy.
// Not thread-safe: one thread decodes.
class MovieDecoder
{
public:
    // Null when the bytes hold no picture stream that decodes. An empty `size` keeps the
    // movie's own.
    static std::unique_ptr<MovieDecoder> open(Decoder::Input input, QSize size);
    ~MovieDecoder();
    MovieDecoder(const MovieDecoder &) = delete;
    MovieDecoder &operator=(const MovieDecoder &) = delete;

    // The next picture; nothing at the end, or where a damaged movie breaks off for good.
    std::optional<MovieFrame> next();

private:
    struct Private;
    MovieDecoder();
    std::unique_ptr<Private> d;
};
