#include "media/regularfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFile::RegularFile(const QString &path)
{
    // O_NONBLOCK is what keeps a FIFO from holding the open; a regular file ignores it.
    const int handle =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return;
    struct stat info
    {
    };
    if (::fstat(handle, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        m_handle = handle;
        m_size = info.st_size;
    } else {
        ::close(handle);
    }
}

RegularFile::~RegularFile()
{
    if (m_handle >= 0)
        ::close(m_handle);
}

int RegularFile::release()
{
    return std::exchange(m_handle, -1);
}

qint64 RegularFile::readAt(int handle, char *into, qint64 length, qint64 at)
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(handle, into + done, size_t(length - done), off_t(at + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

Decoder::Input RegularFile::inputOf(int handle, qint64 size)
{
    return {
        [handle](char *into, qint64 length, qint64 at) { return readAt(handle, into, length, at); },
        size};
}
