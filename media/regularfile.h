#pragma once

#include "media/decoder.h"

#include <QString>
#include <QtGlobal>

// A recording or a movie on disk, opened only if it is a regular, non-empty file, and without
// waiting: opening a FIFO waits for a writer for ever, and a device or a directory where a
// recording should be is never one.
class RegularFile
{
public:
    explicit RegularFile(const QString &path);
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    bool isOpen() const { return m_handle >= 0; }
    qint64 size() const { return m_size; }
    // Hands the open handle to the caller, who closes it.
    int release();
    // Reads through the handle, which must stay open while the input is used.
    Decoder::Input input() const { return inputOf(m_handle, m_size); }

    // Up to `length` bytes at `at` of any file, fewer only at its end or on an error; never
    // moves a shared file position, so readers on several threads may share the handle.
    static qint64 readAt(int handle, char *into, qint64 length, qint64 at);
    static Decoder::Input inputOf(int handle, qint64 size);

private:
    int m_handle = -1;
    qint64 m_size = 0;
};
