#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QtEndian>

#include <utility>

// Damaged copies of a real page bundle, the ways an interrupted copy, a damaged disk or a wrong
// file leave one. Qt attaching any of them as it stands reads outside the file.
namespace DamagedBundle {

// Where the tree, the data entries and the names start, from a bundle's header.
struct Layout
{
    qint64 tree = 0;
    qint64 payloads = 0;
    qint64 names = 0;
    qint64 nodeSize = 0;

    explicit Layout(const QByteArray &bundle)
        : tree(qFromBigEndian<qint32>(bundle.constData() + 8))
        , payloads(qFromBigEndian<qint32>(bundle.constData() + 12))
        , names(qFromBigEndian<qint32>(bundle.constData() + 16))
        , nodeSize(qFromBigEndian<qint32>(bundle.constData() + 4) >= 2 ? 22 : 14)
    {}

    qint64 node(int index) const { return tree + index * nodeSize; }
};

inline qint32 numberAt(const QByteArray &bytes, qint64 pos)
{
    return qFromBigEndian<qint32>(bytes.constData() + pos);
}

inline QByteArray withNumber(QByteArray bytes, qint64 pos, qint32 value)
{
    qToBigEndian(value, bytes.data() + pos);
    return bytes;
}

// The first node of the tree that holds data rather than children.
inline int firstFileNode(const QByteArray &bundle)
{
    const Layout layout(bundle);
    int node = 0;
    while (qFromBigEndian<quint16>(bundle.constData() + layout.node(node) + 4) & 0x02)
        ++node;
    return node;
}

// Where the data entry of the first file node starts: its length, then its bytes.
inline qint64 firstEntry(const QByteArray &bundle)
{
    const Layout layout(bundle);
    return layout.payloads + numberAt(bundle, layout.node(firstFileNode(bundle)) + 10);
}

// The first directory below the root renamed: `length` characters of `name` over its own.
inline QByteArray withFirstName(const QByteArray &bundle, QStringView name)
{
    const Layout layout(bundle);
    const qint64 record = layout.names + numberAt(bundle, layout.node(1));
    QByteArray renamed = bundle;
    qToBigEndian(quint16(name.size()), renamed.data() + record);
    for (qsizetype i = 0; i < name.size(); ++i)
        qToBigEndian(name[i].unicode(), renamed.data() + record + 6 + 2 * i);
    return renamed;
}

inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// Named damaged copies of `bundle`; none of them may be attached.
inline QList<std::pair<QString, QByteArray>> copiesOf(const QByteArray &bundle)
{
    const Layout layout(bundle);
    const qint64 root = layout.node(0);
    const qint64 file = layout.node(firstFileNode(bundle));
    QList<std::pair<QString, QByteArray>> copies{
        {"child count past the tree", withNumber(bundle, root + 6, 1000000)},
        {"negative child count", withNumber(bundle, root + 6, -5)},
        {"child offset past the tree", withNumber(bundle, root + 10, 1000000)},
        {"children that hold their own directory", withNumber(bundle, root + 10, 0)},
        {"name offset past the names", withNumber(bundle, layout.node(1), 0x7ffffff0)},
        {"negative name offset", withNumber(bundle, layout.node(1), -100000)},
        // Names the compiler never writes; listing the bundle would go round in circles.
        {"empty name", withFirstName(bundle, u"")},
        {"name \"..\"", withFirstName(bundle, u"..")},
        {"name holding \"/\"", withFirstName(bundle, u"B/o")},
        {"data offset past the data", withNumber(bundle, file + 10, 0x7ffffff0)},
        {"negative data offset", withNumber(bundle, file + 10, -100000)},
        {"data length past the end", withNumber(bundle, firstEntry(bundle), 0x7fffffff)},
        {"tree offset past the end", withNumber(bundle, 8, qint32(bundle.size()))},
        {"unknown version", withNumber(bundle, 4, 4)},
        {"zero bytes", QByteArray()},
        {"random bytes", randomBytes(bundle.size(), 7)},
        {"only the header", bundle.left(24)},
    };
    // The compiler writes the names and the tree last, so random bytes over the end of the file
    // hit them.
    for (const quint32 seed : {1u, 2u, 3u}) {
        QByteArray overwritten = bundle;
        const qsizetype length = qMin<qsizetype>(800, bundle.size() - 24);
        overwritten.replace(bundle.size() - length, length, randomBytes(length, seed));
        copies.append(
            {QStringLiteral("800 random bytes over the tree, seed %1").arg(seed), overwritten});
    }
    for (int tenth = 1; tenth < 10; ++tenth) {
        copies.append({QStringLiteral("truncated to %1 tenths").arg(tenth),
                       bundle.left(bundle.size() * tenth / 10)});
    }
    return copies;
}

} // namespace DamagedBundle
