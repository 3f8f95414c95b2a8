#include "book/bookface.h"

#include "book/flash.h"
#include "book/jumdialog.h"
#include "content/resourcebundle.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace {

void setToolTipLook()
{
    QPalette palette = QToolTip::palette();
    palette.setBrush(QPalette::All, QPalette::ToolTipBase, QBrush(QColor(200, 255, 0)));
    palette.setBrush(QPalette::All, QPalette::ToolTipText, QBrush(QColor(255, 100, 0)));
    QToolTip::setPalette(palette);

    QFont font(QStringLiteral("楷体"));
    font.setWeight(QFont::Bold);
    font.setPixelSize(20);
    QToolTip::setFont(font);
}

// The game's sounds: a prompt, three praises and two try-agains, chosen at random.
constexpr int praiseCount = 3;
constexpr int tryAgainCount = 2;

QString gamePrompt()
{
    return QStringLiteral(":/Image/audio/Prompt.mp3");
}

QString praise(int i)
{
    return QStringLiteral(":/Image/audio/right%1.mp3").arg(i);
}

QString tryAgain(int i)
{
    return QStringLiteral(":/Image/audio/err%1.mp3").arg(i);
}

} // namespace

bookface::bookface(QWidget *parent, const AudioPlayerFactory &makePlayer,
                   const Content::Sources &sources, Clock clock, ReadFailureReport report)
    : QLabel(parent)
    , m_lastSpread(sources.lastSpread)
    , m_spreadMap(std::move(report))
    , m_sources(sources)
    , m_clock(std::move(clock))
{
    setAttribute(Qt::WA_MouseTracking);

    m_segmentTimer = new QTimer(this);
    connect(m_segmentTimer, &QTimer::timeout, this, &bookface::endTime);

    setToolTipLook();

    m_gamePlayer = makePlayer(this);
    m_readingPlayer = makePlayer(this);
    // Every game sound is followed by the target's segment: the prompt by the first target,
    // praise by the next, a try-again by the same one again.
    connect(m_gamePlayer, &AbstractAudioPlayer::finished, this, &bookface::findPronunciation);
    // A segment that has been heard to its end needs no more watching, nor its highlight.
    connect(m_readingPlayer, &AbstractAudioPlayer::finished, m_segmentTimer, &QTimer::stop);
    connect(m_readingPlayer, &AbstractAudioPlayer::finished, this, qOverload<>(&QWidget::update));
    // The game answers a click at once, so its sounds are made ready before the first game.
    m_gamePlayer->prepare(gamePrompt());
    for (int i = 0; i < praiseCount; ++i)
        m_gamePlayer->prepare(praise(i));
    for (int i = 0; i < tryAgainCount; ++i)
        m_gamePlayer->prepare(tryAgain(i));

    loadSpreadAudio();
    loadSpread();
}

void bookface::loadSpread()
{
    m_spreadMap.setTag(Content::spreadTag(m_currentSpread));
    m_spreadMap.load(m_sources.mapPath);
    emit setflash2(m_spreadMap.flash());
    emit spreadShown(m_currentSpread);
    followPointer();
}

void bookface::followPointer()
{
    // A page turned by key or button leaves the pointer resting on the new spread: what it
    // points at there is found now, cursor and tip included, not at its next move, or the
    // old spread's tip would stay or none would come.
    if (!isVisible() || !underMouse())
        return;
    const QPoint global = QCursor::pos();
    const QPoint pos = mapFromGlobal(global);
    trackPointer(pos.x(), pos.y());
    if (const Hotspot *hotspot = hoveredHotspot())
        QToolTip::showText(global, hotspot->text, this);
    else
        QToolTip::hideText();
}

void bookface::loadSpreadAudio()
{
    // The contents spread has no recording, and the game keeps the reading player for its
    // own segments.
    if (m_currentSpread < 1 || m_gameMode)
        return;
    m_audioPath = Content::spreadAudio(m_sources.contentDir, m_currentSpread);
    m_readingPlayer->setSource(m_audioPath);
}

void bookface::paintEvent(QPaintEvent *)
{
    const qreal pixelRatio = devicePixelRatioF();
    if (m_page.spread != m_currentSpread || m_page.size != size() ||
        m_page.pixelRatio != pixelRatio || m_page.pixmap.isNull())
        m_page = {m_currentSpread, size(), pixelRatio, decodePage()};
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_page.pixmap);

    // The sentence being read carries a soft highlight, legible over any page and the same at
    // both sizes; the game's target is never shown.
    if (const Hotspot *heard = heardHotspot()) {
        const double sx = width() / double(spreadFrame.width());
        const double sy = height() / double(spreadFrame.height());
        const QRect &r = heard->rect;
        const QRectF area(r.left() * sx, r.top() * sy, r.width() * sx, r.height() * sy);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 140, 0, 220), 3 * sx));
        painter.setBrush(QColor(255, 214, 0, 70));
        painter.drawRoundedRect(area, 6 * sx, 6 * sy);
    }
}

const Hotspot *bookface::heardHotspot() const
{
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    if (m_gameMode || !m_readingPlayer->isPlaying() || m_playingIndex < 0 ||
        m_playingIndex >= hotspots.size())
        return nullptr;
    return &hotspots[m_playingIndex];
}

QPixmap bookface::decodePage() const
{
    // The page is drawn at the screen's own pixels, while the view keeps its logical size.
    const qreal pixelRatio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * pixelRatio).toSize();
    // A bundle that is missing, damaged or lacks the page draws nothing; the next decode tries
    // again.
    for (const QString &bundle : Content::bundlesFor(height(), pixelRatio)) {
        QImage image = readBundledImage(bundle, Content::pageImage(m_currentSpread));
        if (image.isNull())
            continue;
        if (image.size() != pixels)
            image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPixmap page = QPixmap::fromImage(std::move(image));
        page.setDevicePixelRatio(pixelRatio);
        return page;
    }
    return {};
}

void bookface::silence()
{
    m_readingPlayer->clearIfPlaying();
    m_gamePlayer->clearIfPlaying();
    m_gameMode = false;
    m_freshGame = true;
}

void bookface::showSpread()
{
    loadSpread();
    repaint();
}

void bookface::setBookNowNext()
{
    silence();
    if (m_currentSpread >= m_lastSpread)
        return;
    ++m_currentSpread;
    loadSpreadAudio();
    m_segmentTimer->stop();
    showSpread();
}

void bookface::setBookNowUp()
{
    silence();
    if (m_currentSpread <= m_firstSpread) {
        QMessageBox::critical(nullptr, QStringLiteral("Mivora提示您:"),
                              QStringLiteral("已经是第一页了!"), QMessageBox::Yes,
                              QMessageBox::NoButton);
        return;
    }
    --m_currentSpread;
    m_segmentTimer->stop();
    loadSpread();
    loadSpreadAudio();
    repaint();
}

void bookface::setDirectory()
{
    m_segmentTimer->stop();
    silence();
    m_currentSpread = 0;
    showSpread();
}

void bookface::jumpFromContents()
{
    if (const int target = m_sources.contentsTarget(m_hoverIndex); target >= 0)
        m_currentSpread = target;
    loadSpreadAudio();
    showSpread();
}

void bookface::jumpPag()
{
    silence();
    // A short book must not be left through a page it does not have.
    jumDialog dialog(this, 2 * m_lastSpread + 1);
    dialog.exec();
    if (dialog.pageNumber() == 0)
        return;
    openSpread(dialog.pageNumber() / 2);
}

void bookface::openSpread(int k)
{
    silence();
    m_currentSpread = std::clamp(k, 0, m_lastSpread);
    m_segmentTimer->stop();
    loadSpread();
    loadSpreadAudio();
    repaint();
}

const Hotspot *bookface::hoveredHotspot() const
{
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    if (!m_hovering || m_hoverIndex < 0 || m_hoverIndex >= hotspots.size())
        return nullptr;
    return &hotspots[m_hoverIndex];
}

void bookface::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    trackPointer(pos.x(), pos.y());
}

void bookface::trackPointer(int x, int y)
{
    // While the game runs the cursor must not give the target away.
    if (m_gameMode)
        return;
    const auto point = toSpreadFrame(QPoint(x, y), size());
    const int index = point ? hotspotAt(m_spreadMap.hotspots(), *point) : -1;
    if (index >= 0) {
        setCursor(Qt::PointingHandCursor);
        m_hovering = true;
        m_hoverIndex = index;
    } else if (m_hovering) {
        setCursor(Qt::ArrowCursor);
        m_hovering = false;
        m_hoverIndex = -1;
    }
}

bool bookface::event(QEvent *e)
{
    if (e->type() != QEvent::ToolTip)
        return QLabel::event(e);
    if (const Hotspot *hotspot = hoveredHotspot())
        QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), hotspot->text);
    else
        QToolTip::hideText();
    return true;
}

void bookface::mousePressEvent(QMouseEvent *e)
{
    if (hoveredHotspot()) {
        if (m_currentSpread >= 1 && !m_gameMode) {
            m_readingPlayer->stopIfPlaying();
            playSegment(m_hoverIndex, 200);
            update();
        } else if (m_currentSpread == 0) {
            jumpFromContents();
        }
    }
    // A click while a game sound still plays is not judged.
    if (m_gameMode && !m_gamePlayer->isPlaying()) {
        m_readingPlayer->stopIfPlaying();
        const QPoint pos = e->position().toPoint();
        checkGameClick(pos.x(), pos.y());
    }
}

void bookface::playSegment(int index, int intervalMs)
{
    const Hotspot &hotspot = m_spreadMap.hotspots()[index];
    m_playingIndex = index;
    m_readingPlayer->playSegment(hotspot.startTime, hotspot.endTime);
    // The player ends the segment where it ends; the timer only makes sure that a player
    // that never reports an end is stopped all the same.
    m_segmentTimer->start(intervalMs);
}

void bookface::endTime()
{
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    // An index the list does not reach has no end to wait for: end the segment now. So does a
    // player that has stopped, at the end of its recording or of the segment.
    if (m_readingPlayer->isPlaying() && m_playingIndex >= 0 && m_playingIndex < hotspots.size() &&
        m_readingPlayer->currentTime() < qint64(hotspots[m_playingIndex].endTime))
        return;
    m_segmentTimer->stop();
    m_readingPlayer->stopIfPlaying();
    update();
}

void bookface::findButton()
{
    if (m_currentSpread < 1)
        return;
    m_readingPlayer->stopIfPlaying();
    if (m_freshGame) {
        // A spread without hotspots has nothing to find: the game does not start there.
        if (m_spreadMap.hotspots().isEmpty())
            return;
        m_freshGame = false;
        m_gamePlayer->setSource(gamePrompt());
        m_gamePlayer->play();
        pickTarget(static_cast<int>(m_spreadMap.hotspots().size()));
        m_gameMode = true;
    } else if (m_gameMode) {
        m_gameMode = false;
        m_gamePlayer->stopIfPlaying();
    } else {
        m_gameMode = true;
        findPronunciation();
    }
    // A sentence that was highlighted is not read any more.
    update();
}

void bookface::findPronunciation()
{
    // Only a running game has a target to say; a game sound that ends after the game was
    // left says nothing.
    if (!m_gameMode || m_gameTarget < 0 || m_gameTarget >= m_spreadMap.hotspots().size())
        return;
    playSegment(m_gameTarget, 600);
}

void bookface::pickTarget(int n)
{
    m_gameTarget = randomBelow(n);
}

int bookface::randomBelow(int n)
{
    return ::randomBelow(n, m_clock());
}

void bookface::checkGameClick(int x, int y)
{
    const auto point = toSpreadFrame(QPoint(x, y), size());
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    if (m_gameTarget < 0 || m_gameTarget >= hotspots.size())
        return;
    if (point && hotspots[m_gameTarget].rect.contains(*point)) {
        m_gamePlayer->setSource(praise(randomBelow(praiseCount)));
        m_gamePlayer->play();
        pickTarget(static_cast<int>(hotspots.size()));
    } else {
        m_gamePlayer->setSource(tryAgain(randomBelow(tryAgainCount)));
        m_gamePlayer->play();
    }
}

void bookface::playFlash()
{
    playAnimation(Content::firstAnimation(m_sources.contentDir, m_currentSpread));
}

void bookface::playFlash2()
{
    playAnimation(Content::secondAnimation(m_sources.contentDir, m_currentSpread));
}

void bookface::playAnimation(const QString &path)
{
    if (m_spreadMap.flash() == 0)
        return;
    // The game is only silenced: it goes on where it was when the player closes.
    m_readingPlayer->clearIfPlaying();
    m_gamePlayer->clearIfPlaying();
    const QSize size = moviePlayerSize(QGuiApplication::primaryScreen()->geometry().size());
    flash player(size.width(), size.height(), nullptr);
    player.setMoviePath(path);
    player.loadMovie();
    player.exec();
}
