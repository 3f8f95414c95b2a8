#include "tools/mvrbook/bookmaker.h"

#include "content/content.h"
#include "content/layout.h"
#include "tools/mvrbook/progress.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <functional>

namespace {

// Bumped whenever a conversion below changes, so that everything is made again.
constexpr int recipe = 1;

// The page view stretches the page over itself; the bundles hold it at the two sizes it is
// shown at, each at 1x and 2x, so that it is never scaled up, nor scaled at all on a screen
// at 100 % or 200 %, while the child waits.
constexpr int jpegQuality = 90;
// 16-bit mono PCM seeks to the sample; 32 kHz keeps speech and songs clear at half the size
// of CD audio.
constexpr int audioRate = 32000;

// Replaces `target` by the finished `part`, so that a failed or interrupted step never leaves
// half a file under the name the program reads.
bool replaceWith(const QString &part, const QString &target, QString *why)
{
    QFile::remove(target);
    if (QFile::rename(part, target))
        return true;
    *why = QStringLiteral("cannot write %1").arg(target);
    QFile::remove(part);
    return false;
}

QImage scaledPage(const QString &source, QString *why)
{
    QImageReader reader(source);
    reader.setAutoTransform(true);
    // A large scan is decoded at the largest page, twice the full-screen size, which saves
    // decoding every pixel of a 300-dpi scan.
    const QSize twice = Layout::fullScreenPageView * 2;
    const QSize size = reader.size();
    if (size.width() > twice.width() && size.height() > twice.height())
        reader.setScaledSize(reader.transformation() & QImageIOHandler::TransformationRotate90
                                 ? twice.transposed()
                                 : twice);
    QImage image = reader.read();
    if (image.isNull()) {
        *why = QStringLiteral("%1: %2").arg(source, reader.errorString());
        return {};
    }
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        image = flat;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

bool savePage(const QImage &image, QSize size, const QString &path, QString *why)
{
    const QImage scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !scaled.save(&file, "JPEG", jpegQuality) ||
        !file.commit()) {
        *why = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

// ffmpeg converting `source` into `target`, quietly, with the options between them.
QStringList ffmpegArguments(const QString &source, const QString &options, const QString &target)
{
    return QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                       QStringLiteral("-i"), source} +
           options.split(u' ') + QStringList{target};
}

QStringList audioArguments(const QString &source, const QString &target)
{
    return ffmpegArguments(source,
                           QStringLiteral("-map 0:a:0 -ac 1 -ar %1 -c:a pcm_s16le -map_metadata -1 "
                                          "-fflags +bitexact -f wav")
                               .arg(audioRate),
                           target);
}

// H.264 and AAC in MP4: one small format that every FFmpeg decodes fast; the frame size is
// made even, which the encoder needs.
QStringList movieArguments(const QString &source, const QString &target)
{
    return ffmpegArguments(source,
                           QStringLiteral("-map 0:v:0 -map 0:a:0? "
                                          "-vf scale=trunc(iw/2)*2:trunc(ih/2)*2 -c:v libx264 "
                                          "-crf 20 -pix_fmt yuv420p -c:a aac -b:a 128k -ar 44100 "
                                          "-movflags +faststart -f mp4"),
                           target);
}

class Maker
{
public:
    Maker(const QString &folder, const BookPlan &plan, const MakeOptions &options);

    MakeResult run();

private:
    // One thing to make: its name in the output directory (or in the records, for the kept
    // pages), what it is made from, and how.
    struct Job
    {
        QString output;
        QString key;
        std::function<bool(QString *why)> make;
        bool isContentFile = true;
    };

    QString source(const QString &relative) const { return m_folder + u'/' + relative; }
    // What a made file is made from: the source's content and the recipe. A file written
    // again unchanged is not made again.
    QString sourceKey(const QString &path);
    QString out(const QString &relative) const { return m_options.outDir + u'/' + relative; }
    QString relativeOut(const QString &path) const;
    // Adds the job unless what it makes was made from the same key and its files are there;
    // the output's own file unless others are named.
    void addJob(const QString &output, const QString &key, std::function<bool(QString *)> make,
                const QStringList &files = {});
    void runJobs(const QString &what);

    void planPages();
    void planBundles();
    void planAudio();
    void planAnimations();
    void removeStale();
    bool makeBundle(const QString &bundle, QSize size, QString *why) const;
    bool convert(const QStringList &arguments, const QString &part, const QString &target,
                 QString *why) const;

    QString m_folder;
    const BookPlan &m_plan;
    const MakeOptions &m_options;
    // Where the pages scaled to one of the two sizes are kept, and page k among them.
    QString pagesAt(QSize size) const
    {
        return QStringLiteral("%1/pages/%2x%3")
            .arg(m_options.stateDir)
            .arg(size.width())
            .arg(size.height());
    }
    QString pageAt(QSize size, int k) const
    {
        return QStringLiteral("%1/%2.jpg").arg(pagesAt(size)).arg(k);
    }
    QJsonObject m_previous;     // output -> key, as the last run left them
    QJsonObject m_state;        // output -> key, as this run leaves them
    QJsonObject m_knownDigests; // source -> size, time and digest, from the last run
    QJsonObject m_digests;
    QList<Job> m_jobs;
    MakeResult m_result;
    QMutex m_mutex;
};

Maker::Maker(const QString &folder, const BookPlan &plan, const MakeOptions &options)
    : m_folder(QDir(folder).absolutePath())
    , m_plan(plan)
    , m_options(options)
{}

QString Maker::relativeOut(const QString &path) const
{
    return QDir(m_options.outDir).relativeFilePath(path);
}

void Maker::addJob(const QString &output, const QString &key, std::function<bool(QString *)> make,
                   const QStringList &files)
{
    const QStringList made = files.isEmpty() ? QStringList{out(output)} : files;
    const bool upToDate = !m_options.force && m_previous.value(output).toString() == key &&
                          std::all_of(made.begin(), made.end(),
                                      [](const QString &f) { return QFileInfo::exists(f); });
    if (!upToDate) {
        m_jobs.append({output, key, std::move(make), files.isEmpty()});
        return;
    }
    m_state.insert(output, key);
    if (files.isEmpty())
        ++m_result.upToDate;
}

void Maker::runJobs(const QString &what)
{
    Progress progress(what, static_cast<int>(m_jobs.size()), m_options.progress);
    runParallel(static_cast<int>(m_jobs.size()), m_options.jobs, [&](int n) {
        const Job &job = m_jobs[n];
        QString why;
        const bool made = job.make(&why);
        {
            const QMutexLocker lock(&m_mutex);
            if (made) {
                m_state.insert(job.output, job.key);
                if (job.isContentFile)
                    ++m_result.made;
            } else {
                m_result.failures.append(why);
            }
        }
        progress.step();
    });
    m_jobs.clear();
}

MakeResult Maker::run()
{
    QStringList dirs{out(QStringLiteral("frequency")), out(QStringLiteral("data"))};
    for (const Content::PageBundle &bundle : Content::pageBundles())
        dirs.append(pagesAt(bundle.pixels));
    for (const QString &dir : std::as_const(dirs)) {
        if (!QDir().mkpath(dir)) {
            m_result.failures.append(QStringLiteral("cannot make the directory %1").arg(dir));
            return m_result;
        }
    }
    const QString statePath = m_options.stateDir + QStringLiteral("/state.json");
    if (QFile file(statePath); file.open(QIODevice::ReadOnly)) {
        const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
        m_previous = state.value(QStringLiteral("outputs")).toObject();
        m_knownDigests = state.value(QStringLiteral("sources")).toObject();
    }

    planPages();
    planAudio();
    planAnimations();
    runJobs(QStringLiteral("making pages, audio and animations"));
    // The bundles are made from the scaled pages, so only once they are all there.
    if (m_result.failures.isEmpty()) {
        planBundles();
        runJobs(QStringLiteral("making the page bundles"));
    }
    if (m_result.failures.isEmpty()) {
        removeStale();
    } else {
        // What failed keeps its earlier file and record; nothing is removed until the book
        // is made whole again.
        for (auto it = m_previous.begin(); it != m_previous.end(); ++it) {
            if (!m_state.contains(it.key()))
                m_state.insert(it.key(), it.value());
        }
    }

    QSaveFile state(statePath);
    const QJsonObject record{{QStringLiteral("outputs"), m_state},
                             {QStringLiteral("sources"), m_digests}};
    if (!state.open(QIODevice::WriteOnly) || state.write(QJsonDocument(record).toJson()) < 0 ||
        !state.commit())
        m_result.failures.append(QStringLiteral("cannot write %1").arg(state.fileName()));
    return m_result;
}

QString Maker::sourceKey(const QString &path)
{
    const QFileInfo info(path);
    const QString time = QString::number(info.lastModified().toMSecsSinceEpoch());
    QJsonObject known = m_digests.value(path).toObject();
    if (known.isEmpty())
        known = m_knownDigests.value(path).toObject();
    QString digest;
    // Hashing every scan on every run would cost more than the rest of an unchanged make, so
    // a file of the same size and time is taken to be the one hashed before.
    if (known.value(QStringLiteral("size")).toInteger() == info.size() &&
        known.value(QStringLiteral("time")).toString() == time) {
        digest = known.value(QStringLiteral("sha1")).toString();
    } else if (QFile file(path); file.open(QIODevice::ReadOnly)) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(&file);
        digest = QString::fromLatin1(hash.result().toHex());
    }
    m_digests.insert(path, QJsonObject{{QStringLiteral("size"), info.size()},
                                       {QStringLiteral("time"), time},
                                       {QStringLiteral("sha1"), digest}});
    return QStringLiteral("%1|%2|%3").arg(info.absoluteFilePath(), digest).arg(recipe);
}

// A page is scaled once to every bundle's size and kept; the bundles are put together from the
// kept pages, so changing one scan redoes that scan only.
void Maker::planPages()
{
    const QList<Content::PageBundle> bundles = Content::pageBundles();
    for (const auto &[k, file] : m_plan.pages) {
        const QString output = QStringLiteral("page %1").arg(k);
        QStringList kept;
        for (const Content::PageBundle &bundle : bundles)
            kept.append(pageAt(bundle.pixels, k));
        const QString path = source(file);
        addJob(
            output, sourceKey(path),
            [path, bundles, kept](QString *why) {
                const QImage page = scaledPage(path, why);
                if (page.isNull())
                    return false;
                for (qsizetype i = 0; i < bundles.size(); ++i) {
                    if (!savePage(page, bundles[i].pixels, kept[i], why))
                        return false;
                }
                return true;
            },
            kept);
    }
}

void Maker::planBundles()
{
    QCryptographicHash pages(QCryptographicHash::Sha1);
    for (const auto &[k, file] : m_plan.pages)
        pages.addData(QStringLiteral("%1=%2;").arg(k).arg(sourceKey(source(file))).toUtf8());
    const QString key = QString::fromLatin1(pages.result().toHex());
    for (const Content::PageBundle &bundle : Content::pageBundles()) {
        addJob(bundle.file, key, [this, bundle](QString *why) {
            return makeBundle(bundle.file, bundle.pixels, why);
        });
    }
}

bool Maker::makeBundle(const QString &bundle, QSize size, QString *why) const
{
    const QString dir = pagesAt(size);
    QString qrc = QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource "
                                 "prefix=\"/Book\">\n");
    for (const auto &entry : m_plan.pages)
        qrc += QStringLiteral("  <file>%1.jpg</file>\n").arg(entry.first);
    qrc += QStringLiteral("</qresource>\n</RCC>\n");
    const QString qrcPath = dir + QStringLiteral("/pages.qrc");
    QSaveFile file(qrcPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(qrc.toUtf8()) < 0 || !file.commit()) {
        *why = QStringLiteral("cannot write %1").arg(qrcPath);
        return false;
    }
    // JPEG does not shrink further; stored as they are, the pages load without inflating.
    const QString part = out(bundle + QStringLiteral(".part"));
    const ProcessResult compiled = runProcess(
        m_options.programs.rcc, {QStringLiteral("--binary"), QStringLiteral("--no-compress"),
                                 QStringLiteral("-o"), part, qrcPath});
    if (!compiled.ok) {
        *why = QStringLiteral("%1: %2").arg(bundle, compiled.error);
        return false;
    }
    return replaceWith(part, out(bundle), why);
}

bool Maker::convert(const QStringList &arguments, const QString &part, const QString &target,
                    QString *why) const
{
    const ProcessResult converted = runProcess(m_options.programs.ffmpeg, arguments);
    if (!converted.ok) {
        *why =
            QStringLiteral("%1: %2").arg(arguments.at(arguments.indexOf(QStringLiteral("-i")) + 1),
                                         converted.error.section(u'\n', 0, 0));
        QFile::remove(part);
        return false;
    }
    return replaceWith(part, target, why);
}

void Maker::planAudio()
{
    for (const auto &[k, file] : m_plan.audio) {
        const QString target = Content::spreadAudio(m_options.outDir, k);
        const QString path = source(file);
        addJob(relativeOut(target), sourceKey(path), [this, path, target](QString *why) {
            const QString part = target + QStringLiteral(".part");
            return convert(audioArguments(path, part), part, target, why);
        });
    }
}

void Maker::planAnimations()
{
    for (const bool second : {false, true}) {
        for (const auto &[k, file] : second ? m_plan.secondAnimations : m_plan.firstAnimations) {
            const QString target = second ? Content::secondAnimation(m_options.outDir, k)
                                          : Content::firstAnimation(m_options.outDir, k);
            const QString path = source(file);
            addJob(relativeOut(target), sourceKey(path), [this, path, target](QString *why) {
                const QString part = target + QStringLiteral(".part");
                return convert(movieArguments(path, part), part, target, why);
            });
        }
    }
}

// Files made for an earlier state of the book that it no longer has would still be found by
// the program: a recording taken out must fall silent.
void Maker::removeStale()
{
    for (auto it = m_previous.begin(); it != m_previous.end(); ++it) {
        if (m_state.contains(it.key()))
            continue;
        if (it.key().startsWith(QStringLiteral("page "))) {
            const int k = it.key().section(u' ', 1).toInt();
            for (const Content::PageBundle &bundle : Content::pageBundles())
                QFile::remove(pageAt(bundle.pixels, k));
        } else {
            QFile::remove(out(it.key()));
        }
    }
}

} // namespace

MakeResult makeBook(const QString &folder, const BookPlan &plan, const MakeOptions &options)
{
    return Maker(folder, plan, options).run();
}
