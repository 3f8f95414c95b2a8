#include "book/bookface.h"

#include "book/flash.h"
#include "book/jumdialog.h"
#include "book/tiplook.h"
#include "content/resourcebundle.h"
#include "media/movieplayer.h"

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
#include <numeric>

namespace {

void setToolTipLook()
{
    QToolTip::setPalette(TipLook::palette(QToolTip::palette()));
    QToolTip::setFont(TipLook::font());
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

// Repeat plays a sentence this many times, with this pause between.
constexpr int repeatCount = 3;
constexpr int repeatPauseMs = 700;
// The child's turn lasts as long as the sentence and this much more.
constexpr int answerExtraMs = 1000;
// Read on waits this long on a new spread before its first sentence, for the child to look.
constexpr int newSpreadPauseMs = 800;
// A sentence is heard about this long after the player is asked for it (the end of the last
// one reported, a stream made at the server), measured at a sound server by bench_readon: read
// on asks for the next sentence this much before the recording's gap is over.
constexpr int startLatencyMs = 10;

// The order a spread is read on in: by start time, hotspots starting together as listed.
QList<int> readingOrder(const QList<Hotspot> &hotspots)
{
    QList<int> order(hotspots.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return hotspots[a].startTime < hotspots[b].startTime; });
    return order;
}

} // namespace

bookface::bookface(QWidget *parent, const AudioPlayerFactory &makePlayer,
                   const Content::Sources &sources, Clock clock, ReadFailureReport report,
                   RecorderFactory makeRecorder)
    : QLabel(parent)
    , m_lastSpread(sources.lastSpread)
    , m_spreadMap(std::move(report))
    , m_makeRecorder(std::move(makeRecorder))
    , m_sources(sources)
    , m_clock(std::move(clock))
{
    setAttribute(Qt::WA_MouseTracking);

    m_segmentTimer = new QTimer(this);
    connect(m_segmentTimer, &QTimer::timeout, this, &bookface::endTime);
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setTimerType(Qt::PreciseTimer);
    connect(m_pause, &QTimer::timeout, this, [this] {
        if (m_step == Step::Pause)
            playModel();
        else if (m_readingOn)
            startSentence(m_readOrder[m_readPosition]);
    });

    setToolTipLook();

    m_gamePlayer = makePlayer(this);
    m_readingPlayer = makePlayer(this);
    // Every game sound is followed by the target's segment: the prompt by the first target,
    // praise by the next, a try-again by the same one again.
    connect(m_gamePlayer, &AbstractAudioPlayer::finished, this, &bookface::findPronunciation);
    // A segment that has been heard to its end needs no more watching, nor its highlight.
    connect(m_readingPlayer, &AbstractAudioPlayer::finished, m_segmentTimer, &QTimer::stop);
    connect(m_readingPlayer, &AbstractAudioPlayer::finished, this, qOverload<>(&QWidget::update));
    connect(m_readingPlayer, &AbstractAudioPlayer::finished, this, &bookface::segmentEnded);
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
    prepareAnimations();
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

    const double sx = width() / double(spreadFrame.width());
    const double sy = height() / double(spreadFrame.height());
    const auto onView = [sx, sy](const QRect &r) {
        return QRectF(r.left() * sx, r.top() * sy, r.width() * sx, r.height() * sy);
    };
    // The sentence being read carries a soft highlight, legible over any page and the same at
    // both sizes; the game's target is never shown.
    if (const Hotspot *heard = heardHotspot()) {
        const QRectF area = onView(heard->rect);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 140, 0, 220), 3 * sx));
        painter.setBrush(QColor(255, 214, 0, 70));
        painter.drawRoundedRect(area, 6 * sx, 6 * sy);
    }

    // The child's turn: the sentence is ringed in red, and a meter along its foot shows how
    // loud the microphone hears the child.
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    if (m_step == Step::Recording && m_sentence >= 0 && m_sentence < hotspots.size()) {
        const QRectF area = onView(hotspots[m_sentence].rect);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(220, 40, 40, 220), 3 * sx, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area, 6 * sx, 6 * sy);
        const QRectF meter(area.left(), area.bottom() - 8 * sy, area.width(), 6 * sy);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 200));
        painter.drawRect(meter);
        painter.setBrush(QColor(40, 180, 60));
        painter.drawRect(
            QRectF(meter.topLeft(),
                   QSizeF(meter.width() * std::clamp(m_level, 0.0, 1.0), meter.height())));
    }
}

const Hotspot *bookface::heardHotspot() const
{
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    // The child's own voice played back stands for the sentence too.
    const int index = m_readingPlayer->isPlaying()  ? m_playingIndex
                      : m_step == Step::PlayingBack ? m_sentence
                                                    : -1;
    if (m_gameMode || index < 0 || index >= hotspots.size())
        return nullptr;
    return &hotspots[index];
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
    stopReading();
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
    turnTo(std::clamp(k, 0, m_lastSpread));
}

void bookface::turnTo(int k)
{
    m_currentSpread = k;
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
    if (m_readingOn)
        stopReading();
    if (hoveredHotspot()) {
        if (m_currentSpread >= 1 && !m_gameMode) {
            m_readingPlayer->stopIfPlaying();
            startSentence(m_hoverIndex);
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
    segmentEnded();
}

void bookface::findButton()
{
    if (m_currentSpread < 1)
        return;
    stopReading();
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

QSize bookface::animationPlayerSize()
{
    return moviePlayerSize(QGuiApplication::primaryScreen()->geometry().size());
}

void bookface::prepareAnimations()
{
    // A child who opens an animation sees it at once: its first pictures and its sound are
    // made ready while the spread is looked at.
    QStringList movies;
    if (m_spreadMap.flash() != 0)
        movies.append(Content::firstAnimation(m_sources.contentDir, m_currentSpread));
    if (m_spreadMap.flash() != 0 && m_spreadMap.flash() != 1)
        movies.append(Content::secondAnimation(m_sources.contentDir, m_currentSpread));
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    MoviePlayer::prepare(movies, (QSizeF(animationPlayerSize()) * ratio).toSize());
}

void bookface::playAnimation(const QString &path)
{
    if (m_spreadMap.flash() == 0)
        return;
    // The game is only silenced: it goes on where it was when the player closes.
    m_readingPlayer->clearIfPlaying();
    m_gamePlayer->clearIfPlaying();
    stopReading();
    const QSize size = animationPlayerSize();
    flash player(size.width(), size.height(), nullptr);
    player.setMoviePath(path);
    player.loadMovie();
    player.exec();
}

void bookface::readOnButton()
{
    if (m_readingOn) {
        stopReading();
        return;
    }
    // A book of contents only has nothing to read on.
    if (m_lastSpread < m_firstSpread)
        return;
    silence();
    // From the contents the book is read from its first spread.
    if (m_currentSpread < m_firstSpread)
        turnTo(m_firstSpread);
    m_readingOn = true;
    emit readingOnChanged(true);
    m_readOrder = readingOrder(m_spreadMap.hotspots());
    readOnFrom(0, 0);
}

void bookface::readOnFrom(int position, int delayMs)
{
    // Spreads without sentences are passed over; the end of the book ends reading on.
    while (position >= m_readOrder.size()) {
        if (m_currentSpread >= m_lastSpread) {
            stopReading();
            return;
        }
        turnTo(m_currentSpread + 1);
        m_readOrder = readingOrder(m_spreadMap.hotspots());
        position = 0;
        delayMs = newSpreadPauseMs;
    }
    m_readPosition = position;
    m_pause->start(delayMs);
}

void bookface::setRepeats(bool on)
{
    m_repeats = on;
    if (on)
        return;
    // A repeat waiting for its next play ends here.
    m_playsLeft = 0;
    if (m_step == Step::Pause) {
        m_pause->stop();
        m_step = Step::Model;
        segmentEnded();
    }
}

void bookface::setSaysAfter(bool on)
{
    if (m_saysAfter == on)
        return;
    m_saysAfter = on;
    emit sayAfterChanged(on);
    // The child's turn under way ends with the help.
    if (!on && (m_step == Step::Recording || m_step == Step::PlayingBack)) {
        recorder()->stop();
        sentenceDone();
        update();
    }
}

void bookface::stopReading()
{
    m_pause->stop();
    if (m_recorder)
        m_recorder->stop();
    m_step = Step::Idle;
    m_readingPlayer->stopIfPlaying();
    if (m_readingOn) {
        m_readingOn = false;
        emit readingOnChanged(false);
    }
    update();
}

void bookface::startSentence(int index)
{
    m_pause->stop();
    if (m_recorder)
        m_recorder->stop();
    m_sentence = index;
    m_playsLeft = m_repeats ? repeatCount : 1;
    playModel();
}

void bookface::playModel()
{
    m_step = Step::Model;
    --m_playsLeft;
    playSegment(m_sentence, 200);
    update();
}

void bookface::segmentEnded()
{
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    if (m_gameMode || m_sentence < 0 || m_sentence >= hotspots.size())
        return;
    if (m_step == Step::ModelAgain) {
        sentenceDone();
    } else if (m_step == Step::Model && m_playsLeft > 0) {
        m_step = Step::Pause;
        m_pause->start(repeatPauseMs);
    } else if (m_step == Step::Model && m_saysAfter) {
        m_step = Step::Recording;
        m_level = 0;
        const Hotspot &sentence = hotspots[m_sentence];
        recorder()->record(std::max(0, sentence.endTime - sentence.startTime) + answerExtraMs);
    } else if (m_step == Step::Model) {
        sentenceDone();
    }
    update();
}

void bookface::sentenceDone()
{
    m_step = Step::Idle;
    if (!m_readingOn)
        return;
    // The next sentence follows after the pause it has in the recording.
    const QList<Hotspot> &hotspots = m_spreadMap.hotspots();
    const int next = m_readPosition + 1;
    const int gap = next < m_readOrder.size()
                        ? hotspots[m_readOrder[next]].startTime - hotspots[m_sentence].endTime
                        : 0;
    readOnFrom(next, std::max(0, gap - startLatencyMs));
}

AbstractRecorder *bookface::recorder()
{
    if (m_recorder)
        return m_recorder;
    m_recorder = m_makeRecorder(this);
    connect(m_recorder, &AbstractRecorder::level, this, [this](double peak) {
        m_level = peak;
        update();
    });
    connect(m_recorder, &AbstractRecorder::recorded, this, &bookface::recordingMade);
    connect(m_recorder, &AbstractRecorder::playedBack, this, &bookface::recordingPlayedBack);
    connect(m_recorder, &AbstractRecorder::unavailable, this, &bookface::noMicrophone);
    return m_recorder;
}

void bookface::recordingMade()
{
    if (m_step != Step::Recording)
        return;
    m_step = Step::PlayingBack;
    recorder()->playBack();
    update();
}

void bookface::recordingPlayedBack()
{
    if (m_step != Step::PlayingBack)
        return;
    m_step = Step::ModelAgain;
    playSegment(m_sentence, 200);
    update();
}

void bookface::noMicrophone()
{
    if (m_step != Step::Recording)
        return;
    m_step = Step::Idle;
    setSaysAfter(false);
    emit microphoneMissing();
    sentenceDone();
    update();
}
