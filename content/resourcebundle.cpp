#include "content/resourcebundle.h"

#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QtEndian>

#include <zlib.h>
#include <zstd.h>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Far more than the pages of any book take, and little enough to read on a change of spread.
constexpr qint64 maxBundleBytes = qint64(1) << 30;
// What the compressed entries of one bundle may unpack to together: checking them costs
// unpacking them, and reading one costs that much memory.
constexpr qint64 maxUnpackedBytes = qint64(64) << 20;

// The format's node flags; an entry with both compression flags is read as stored.
constexpr quint16 zlibFlag = 0x01;
constexpr quint16 directoryFlag = 0x02;
constexpr quint16 zstdFlag = 0x04;

// Qt reads every number of the format big-endian and signed or not as below; the checks read
// them the same way, with the bounds Qt leaves out.
template<typename T>
std::optional<T> numberAt(QByteArrayView bytes, qint64 pos)
{
    if (pos < 0 || pos > bytes.size() - qint64(sizeof(T)))
        return std::nullopt;
    return qFromBigEndian<T>(bytes.data() + pos);
}

bool holds(QByteArrayView bytes, qint64 pos, qint64 length)
{
    return pos >= 0 && length >= 0 && pos <= bytes.size() && length <= bytes.size() - pos;
}

// Scratch space for unpacking: only the amount is kept.
using Scratch = std::array<unsigned char, 64 * 1024>;

// Qt unpacks a zlib entry into a buffer of the size stated in its first four bytes and then
// serves that many bytes, whatever the stream gave: less would be read past its end.
bool zlibUnpacksTo(QByteArrayView stream, qint64 stated, Scratch &scratch)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stream.data()));
    z.avail_in = uInt(stream.size());
    qint64 unpacked = 0;
    int result = Z_OK;
    while (result == Z_OK && unpacked <= stated) {
        z.next_out = scratch.data();
        z.avail_out = uInt(scratch.size());
        result = inflate(&z, Z_NO_FLUSH);
        unpacked += qint64(scratch.size() - z.avail_out);
    }
    inflateEnd(&z);
    return result == Z_STREAM_END && unpacked == stated;
}

// Qt takes a zstd entry's size from its first frame and unpacks all its frames into that.
bool zstdUnpacksTo(QByteArrayView stream, qint64 stated, Scratch &scratch)
{
    const std::unique_ptr<ZSTD_DCtx, decltype(&ZSTD_freeDCtx)> context(ZSTD_createDCtx(),
                                                                       &ZSTD_freeDCtx);
    if (!context)
        return false;
    ZSTD_inBuffer in{stream.data(), size_t(stream.size()), 0};
    qint64 unpacked = 0;
    for (;;) {
        ZSTD_outBuffer out{scratch.data(), scratch.size(), 0};
        const size_t before = in.pos;
        const size_t result = ZSTD_decompressStream(context.get(), &out, &in);
        if (ZSTD_isError(result))
            return false;
        unpacked += qint64(out.pos);
        if (unpacked > stated)
            return false;
        if (in.pos == in.size && result == 0)
            return unpacked == stated;
        // Input used up with the frame unfinished, or no progress at all: cut short.
        if ((in.pos == in.size && out.pos < out.size) || (in.pos == before && out.pos == 0))
            return false;
    }
}

// A compressed entry unpacks to what it states, and that fits in what is left of `budget`.
bool unpacksAsStated(QByteArrayView entry, quint16 flags, qint64 &budget, Scratch &scratch)
{
    const quint16 compression = flags & (zlibFlag | zstdFlag);
    qint64 stated = 0;
    if (compression == zlibFlag) {
        const auto size = numberAt<quint32>(entry, 0);
        if (!size)
            return false;
        stated = *size;
    } else if (compression == zstdFlag) {
        const unsigned long long size = ZSTD_getFrameContentSize(entry.data(), entry.size());
        if (size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR ||
            size > quint64(maxUnpackedBytes))
            return false;
        stated = qint64(size);
    } else {
        return true;
    }
    if (stated > budget)
        return false;
    budget -= stated;
    return compression == zlibFlag ? zlibUnpacksTo(entry.sliced(4), stated, scratch)
                                   : zstdUnpacksTo(entry, stated, scratch);
}

// A name record (length, hash, UTF-16 characters) inside the bytes, holding one component of a
// path as the resource compiler writes them: not empty, not "." or "..", without "/". Others
// make a listing of the bundle go round in circles: "" and "." name their own directory.
bool isPathComponent(QByteArrayView bytes, qint64 pos)
{
    const auto length = numberAt<quint16>(bytes, pos);
    if (!length || *length == 0 || !holds(bytes, pos + 6, 2 * qint64(*length)))
        return false;
    QString name(*length, Qt::Uninitialized);
    qFromBigEndian<char16_t>(bytes.data() + pos + 6, *length, name.data());
    return name != u"." && name != u".." && !name.contains(u'/');
}

QByteArray readBundleFile(const QString &path)
{
    // Only a regular file: a pipe or a device in its place could keep a read waiting or never
    // end it.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    if (size > maxBundleBytes)
        return {};
    // Whatever the file holds by now, these bytes are the ones checked and attached.
    return file.read(size);
}

} // namespace

bool isIntactBundle(QByteArrayView bytes)
{
    if (bytes.size() < 20 || !bytes.startsWith("qres"))
        return false;
    const qint32 version = *numberAt<qint32>(bytes, 4);
    if (version < 1 || version > 3)
        return false;
    if (version >= 3) {
        const auto fileFlags = numberAt<quint32>(bytes, 20);
        if (!fileFlags || (*fileFlags & ~quint32(zlibFlag | zstdFlag)))
            return false;
    }
    // Where the tree, the data entries and the names start; the offsets inside the tree count
    // from these.
    const qint64 tree = *numberAt<qint32>(bytes, 8);
    const qint64 payloads = *numberAt<qint32>(bytes, 12);
    const qint64 names = *numberAt<qint32>(bytes, 16);
    if (!holds(bytes, tree, 1) || !holds(bytes, payloads, 1) || !holds(bytes, names, 1))
        return false;

    const qint64 nodeSize = version >= 2 ? 22 : 14;
    const qint64 nodeCount = (bytes.size() - tree) / nodeSize;
    const auto nodeAt = [&](qint64 node) { return tree + node * nodeSize; };
    if (nodeCount < 1 || !(*numberAt<quint16>(bytes, nodeAt(0) + 4) & directoryFlag))
        return false;

    // Every node is reached from the one directory that lists it, so the walk visits each node
    // once and ends, whatever the counts say.
    std::vector<bool> reached(size_t(nodeCount), false);
    std::vector<qint64> pending{0};
    reached[0] = true;
    qint64 budget = maxUnpackedBytes;
    Scratch scratch;
    while (!pending.empty()) {
        const qint64 node = pending.back();
        pending.pop_back();
        const qint64 at = nodeAt(node);
        const quint16 flags = *numberAt<quint16>(bytes, at + 4);
        // The root's name is never read.
        if (node != 0 && !isPathComponent(bytes, names + *numberAt<qint32>(bytes, at)))
            return false;
        if (flags & directoryFlag) {
            const qint32 count = *numberAt<qint32>(bytes, at + 6);
            const qint32 first = *numberAt<qint32>(bytes, at + 10);
            if (count < 0 || (count > 0 && (first < 0 || qint64(first) + count > nodeCount)))
                return false;
            for (qint64 child = first; child < qint64(first) + count; ++child) {
                if (reached[size_t(child)])
                    return false;
                reached[size_t(child)] = true;
                pending.push_back(child);
            }
        } else {
            const qint64 entry = payloads + *numberAt<qint32>(bytes, at + 10);
            const auto length = numberAt<quint32>(bytes, entry);
            if (!length || !holds(bytes, entry + 4, *length) ||
                !unpacksAsStated(bytes.sliced(entry + 4, *length), flags, budget, scratch))
                return false;
        }
    }
    return true;
}

QImage readBundledImage(const QString &bundlePath, const QString &imagePath)
{
    const QByteArray bytes = readBundleFile(bundlePath);
    if (!isIntactBundle(bytes))
        return {};
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    if (!QResource::registerResource(data))
        return {};
    // QImage rather than QPixmap: QPixmap's cache keys on the resource path, which the bundles
    // of both sizes share.
    const QImage image(imagePath);
    QResource::unregisterResource(data);
    return image;
}
