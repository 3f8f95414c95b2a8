#include "media/movieplayer.h"

#include "media/moviedecoder.h"
#include "media/regularfile.h"
#include "media/sound.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Pictures decoded ahead of the clock: enough to ride out a slow one, few enough that a
// full-screen movie stays small (a 1306 x 980 picture is 5 MB).
constexpr std::size_t picturesAhead = 4;
// How often the player looks at the clock for the next picture: well under a picture's time.
constexpr int tickMs = 5;

} // namespace

// Decodes a movie's pictures on a thread of its own, a few ahead of when they are shown.
class MoviePlayer::Pictures
{
public:
    Pictures(const QString &path, QSize size)
        : m_key(key(path, size))
        , m_thread([this, path, size] { decode(path, size); })
    {}

    // Tells the movie apart from another, or from the same file changed since.
    static QString key(const QString &path, QSize size)
    {
        const QFileInfo info(path);
        return QStringLiteral("%1|%2|%3|%4x%5")
            .arg(path)
            .arg(info.size())
            .arg(info.lastModified().toMSecsSinceEpoch())
            .arg(size.width())
            .arg(size.height());
    }
    const QString &key() const { return m_key; }

    ~Pictures()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_room.notify_all();
        m_thread.join();
    }

    // The latest picture due at `ms` (the very first at once), dropping the ones it
    // overtakes; nothing when none is due.
    std::optional<QImage> due(qint64 ms)
    {
        std::optional<QImage> latest;
        {
            std::lock_guard lock(m_mutex);
            while (!m_ahead.empty() && (m_ahead.front().ms <= ms || !m_anyShown)) {
                latest = std::move(m_ahead.front().image);
                m_ahead.pop_front();
                m_anyShown = true;
            }
        }
        if (latest)
            m_room.notify_all();
        return latest;
    }

    // Whether every picture has been shown.
    bool finished()
    {
        std::lock_guard lock(m_mutex);
        return m_ended && m_ahead.empty();
    }

private:
    void decode(const QString &path, QSize size)
    {
        // Opened here, not on the GUI thread: even a regular file may be slow to read.
        RegularFile file(path);
        std::unique_ptr<MovieDecoder> movie =
            file.isOpen() ? MovieDecoder::open(file.input(), size) : nullptr;
        while (movie) {
            std::optional<MovieFrame> picture = movie->next();
            if (!picture)
                break;
            std::unique_lock lock(m_mutex);
            m_room.wait(lock, [this] { return m_stopping || m_ahead.size() < picturesAhead; });
            if (m_stopping)
                break;
            m_ahead.push_back(std::move(*picture));
        }
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }

    const QString m_key;
    std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<MovieFrame> m_ahead;
    bool m_stopping = false;
    bool m_ended = false;
    bool m_anyShown = false;
    std::thread m_thread;
};

MoviePlayer::MoviePlayer(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_tick.setTimerType(Qt::PreciseTimer);
    m_tick.setInterval(tickMs);
    connect(&m_tick, &QTimer::timeout, this, &MoviePlayer::tick);
}

MoviePlayer::~MoviePlayer() = default;

void MoviePlayer::loadMovie(const QString &path)
{
    stop();
    m_picture = QImage();
    // The pictures are made at the size they are shown at, in the screen's own pixels.
    const QSize pixels = (QSizeF(size()) * devicePixelRatioF()).toSize();
    m_pictures = takePrepared(Pictures::key(path, pixels));
    if (!m_pictures)
        m_pictures = std::make_unique<Pictures>(path, pixels);
    // A movie without sound, or whose sound does not decode, is silent; its pictures play on
    // the wall clock.
    m_sound.setSource(path);
    m_sound.play();
    m_heardMs = 0;
    m_sinceHeard.start();
    m_playing = true;
    m_tick.start();
    update();
}

void MoviePlayer::prepare(const QStringList &paths, QSize size)
{
    std::vector<std::unique_ptr<Pictures>> kept;
    for (const QString &path : paths) {
        std::unique_ptr<Pictures> pictures = takePrepared(Pictures::key(path, size));
        kept.push_back(pictures ? std::move(pictures) : std::make_unique<Pictures>(path, size));
        SoundLibrary::instance().sound(path);
    }
    // A dropped one waits at most for the picture it is decoding.
    prepared() = std::move(kept);
}

std::vector<std::unique_ptr<MoviePlayer::Pictures>> &MoviePlayer::prepared()
{
    static std::vector<std::unique_ptr<Pictures>> movies;
    return movies;
}

std::unique_ptr<MoviePlayer::Pictures> MoviePlayer::takePrepared(const QString &key)
{
    std::vector<std::unique_ptr<Pictures>> &ready = prepared();
    const auto found = std::find_if(ready.begin(), ready.end(),
                                    [&](const auto &pictures) { return pictures->key() == key; });
    if (found == ready.end())
        return nullptr;
    std::unique_ptr<Pictures> pictures = std::move(*found);
    ready.erase(found);
    return pictures;
}

qint64 MoviePlayer::position() const
{
    if (m_sound.isPlaying()) {
        m_heardMs = m_sound.currentTime();
        m_sinceHeard.restart();
        return m_heardMs;
    }
    return m_heardMs + (m_playing ? m_sinceHeard.elapsed() : 0);
}

void MoviePlayer::tick()
{
    if (std::optional<QImage> picture = m_pictures->due(position())) {
        m_picture = std::move(*picture);
        m_picture.setDevicePixelRatio(devicePixelRatioF());
        update();
    }
    if (m_pictures->finished() && !m_sound.isPlaying()) {
        // The clock stops where the movie ended.
        m_heardMs = position();
        m_tick.stop();
        m_playing = false;
    }
}

void MoviePlayer::stop()
{
    m_tick.stop();
    m_playing = false;
    m_sound.clear();
    m_pictures.reset();
}

void MoviePlayer::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    if (!m_picture.isNull())
        painter.drawImage(rect(), m_picture);
}

void MoviePlayer::hideEvent(QHideEvent *event)
{
    // Closing the player must silence the movie at once, not when it is destroyed.
    stop();
    QWidget::hideEvent(event);
}
