#include "tools/demobook/movies.h"

#include "tools/demobook/pictures.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int frameWidth = 640;
constexpr int frameHeight = 480;
constexpr int framesPerSecond = 12;
constexpr int speechStartMs = 500;

void drawCaption(QPainter &p, const QRectF &box, const QString &text)
{
    p.setPen(QPen(QColor(0xf2, 0x8c, 0x28), 2));
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(box, 14, 14);
    const QRectF inner = box.adjusted(14, 6, -14, -6);
    p.setFont(Pictures::fittedFont(text, inner, 26, 10, true, false, Qt::AlignCenter));
    p.setPen(QColor(0x33, 0x2e, 0x2b));
    p.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, text);
}

// Robin rolls along a street past the places of the unit.
void walkScene(QPainter &p, double progress)
{
    Pictures::drawPanel(p, QStringLiteral("street"),
                        QRectF(-10, -10, frameWidth + 20, frameHeight + 20));
    Pictures::drawPicture(p, QStringLiteral("bookstore"), QRectF(16, 246, 150, 180));
    Pictures::drawPicture(p, QStringLiteral("tree"), QRectF(168, 326, 60, 100));
    Pictures::drawPicture(p, QStringLiteral("postoffice"), QRectF(230, 246, 150, 180));
    Pictures::drawPicture(p, QStringLiteral("museum"), QRectF(392, 232, 170, 194));
    Pictures::drawPicture(p, QStringLiteral("tree"), QRectF(566, 326, 60, 100));
    const double x = -80 + progress * (frameWidth + 10);
    const double bob = std::abs(std::sin(progress * 40)) * 5;
    Pictures::drawPicture(p, QStringLiteral("robot"), QRectF(x, 332 - bob, 80, 112));
}

// A red dot follows the way on the exercise map, drawing its track behind it.
void mapScene(QPainter &p, double progress, bool turnRight)
{
    p.fillRect(QRect(0, 0, frameWidth, frameHeight), QColor(0xff, 0xfd, 0xf6));
    const QRectF map(20, 20, frameWidth - 40, 380);
    Pictures::drawPicture(p, QStringLiteral("bigmap"), map);
    const double turn = turnRight ? 0.64 : 0.36;
    const QPointF way[] = {QPointF(0.5, 0.93), QPointF(0.5, 0.5), QPointF(turn, 0.5),
                           QPointF(turn, 0.43)};
    QPainterPath whole;
    for (int n = 0; n < 4; ++n) {
        const QPointF at(map.left() + way[n].x() * map.width(),
                         map.top() + way[n].y() * map.height());
        n ? whole.lineTo(at) : whole.moveTo(at);
    }
    QPainterPath walked;
    const int steps = 100;
    const int reached = static_cast<int>(progress * steps);
    for (int n = 0; n <= reached; ++n) {
        const QPointF at = whole.pointAtPercent(double(n) / steps);
        n ? walked.lineTo(at) : walked.moveTo(at);
    }
    QPen track(QColor(0xe0, 0x33, 0x3c), 6, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(track);
    p.setBrush(Qt::NoBrush);
    p.drawPath(walked);
    p.setPen(QPen(QColor(0xff, 0xff, 0xff), 3));
    p.setBrush(QColor(0xe0, 0x33, 0x3c));
    p.drawEllipse(whole.pointAtPercent(std::min(1.0, double(reached) / steps)), 11, 11);
}

} // namespace

MovieMaker::MovieMaker(const Tools &tools, Speech &speech, const QString &workDir)
    : m_tools(tools)
    , m_speech(speech)
    , m_workDir(workDir)
{}

bool MovieMaker::isScene(const QString &scene, const QString &argument)
{
    if (scene == u"walk")
        return argument.isEmpty();
    if (scene == u"map")
        return argument == u"left" || argument == u"right";
    return false;
}

void MovieMaker::make(const MovieText &movie, const QString &voice, const QString &path)
{
    const Samples line = m_speech.say(movie.spoken, voice, 9000, QStringLiteral("movie line"));
    const int lengthMs =
        std::max(4000, speechStartMs + msForSamples(static_cast<qint64>(line.size())) + 1200);
    Track sound(lengthMs);
    sound.place(speechStartMs, line);
    const QString soundPath = m_workDir + QStringLiteral("/movie.wav");
    writeWav(soundPath, sound.samples());

    const QString frames = m_workDir + QStringLiteral("/frames");
    QDir(frames).removeRecursively();
    if (!QDir().mkpath(frames))
        throw Failure(QStringLiteral("cannot make %1").arg(frames));
    const int count = lengthMs * framesPerSecond / 1000;
    const QString caption = QString(movie.spoken);
    for (int n = 0; n < count; ++n) {
        // The picture moves while the line is spoken and rests a moment at either end.
        const double seconds = double(n) / framesPerSecond;
        const double progress = std::clamp((seconds - 0.3) / (lengthMs / 1000.0 - 0.9), 0.0, 1.0);
        QImage frame(frameWidth, frameHeight, QImage::Format_RGB32);
        QPainter p(&frame);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        if (movie.scene == u"walk") {
            walkScene(p, progress);
            drawCaption(p, QRectF(20, 16, frameWidth - 40, 84), caption);
        } else {
            mapScene(p, progress, movie.argument == u"right");
            drawCaption(p, QRectF(20, 406, frameWidth - 40, 64), caption);
        }
        p.end();
        const QString name =
            QStringLiteral("%1/%2.png").arg(frames).arg(n, 4, 10, QLatin1Char('0'));
        if (!frame.save(name, "PNG", 90))
            throw Failure(QStringLiteral("cannot write %1").arg(name));
    }

    // An MP4 an author could have handed in; mvrbook makes the form the player plays from it.
    runTool(m_tools.ffmpeg,
            {QStringLiteral("-y"), QStringLiteral("-loglevel"), QStringLiteral("error"),
             QStringLiteral("-framerate"), QString::number(framesPerSecond), QStringLiteral("-i"),
             frames + QStringLiteral("/%04d.png"), QStringLiteral("-i"), soundPath,
             QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path});
}
