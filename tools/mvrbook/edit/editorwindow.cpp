#include "tools/mvrbook/edit/editorwindow.h"

#include "book/tiplook.h"
#include "content/content.h"
#include "content/spreadmap.h"
#include "tools/common/savefile.h"
#include "tools/mvrbook/edit/mapcheck.h"
#include "tools/mvrbook/edit/mapedits.h"
#include "tools/mvrbook/edit/pageview.h"
#include "tools/mvrbook/edit/waveformview.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QXmlStreamAttributes>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

constexpr int nudgeMs = 10;
constexpr int snapReach = 6; // frame points within which a dragged edge meets a word's
constexpr int fitMargin = 3; // frame points around the words a rectangle is fitted to

// The hotspot's text as the program will show it in its tip.
QString tipText(const MapHotspot &hotspot)
{
    QXmlStreamAttributes attributes;
    for (const auto &[name, value] : hotspot.attributes)
        attributes.append(name, value);
    return hotspotFrom(attributes).text;
}

// The hotspot a problem names, "N_3" or "N_3 ..." ; -1 for none.
int hotspotOf(const Problem &problem)
{
    if (!problem.item.startsWith(QLatin1String("N_")))
        return -1;
    bool ok = false;
    const int index = problem.item.mid(2).section(u' ', 0, 0).toInt(&ok);
    return ok ? index : -1;
}

template<typename Result, typename Work, typename Done>
void runAside(QObject *owner, Work work, Done done)
{
    auto *watcher = new QFutureWatcher<Result>(owner);
    QObject::connect(watcher, &QFutureWatcher<Result>::finished, owner, [watcher, done] {
        done(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(work));
}

} // namespace

EditorWindow::EditorWindow(const QString &folder, EditorSetup setup, QWidget *parent)
    : QMainWindow(parent)
    , m_folder(QDir(folder).absolutePath())
    , m_setup(std::move(setup))
{
    Problems folderProblems;
    m_book = std::make_unique<BookFolder>(m_folder, folderProblems);
    m_editable = m_document.readFile(m_book->path(BookFolder::mapFile));
    m_player = m_setup.players(this);
    m_playhead.setInterval(30);

    m_page = new PageView;
    m_waveform = new WaveformView;
    auto *top = new QSplitter(Qt::Horizontal);
    top->addWidget(m_page);
    top->addWidget(buildSidePanel());
    top->setStretchFactor(0, 3);
    top->setStretchFactor(1, 1);
    auto *whole = new QSplitter(Qt::Vertical);
    whole->addWidget(top);
    whole->addWidget(m_waveform);
    whole->setStretchFactor(0, 3);
    whole->setStretchFactor(1, 1);
    whole->setSizes({600, 200});
    setCentralWidget(whole);
    buildActions();

    connect(&m_document, &MapDocument::changed, this, [this](int k) {
        if (k == m_k)
            refresh();
        m_checkDelay.start();
        m_recoveryDelay.start();
    });
    connect(&m_undo, &QUndoStack::indexChanged, this,
            [this] { setWindowModified(m_document.isModified()); });
    connect(m_page, &PageView::selected, this, &EditorWindow::select);
    connect(m_waveform, &WaveformView::selected, this, &EditorWindow::select);
    connect(m_page, &PageView::rectDragged, this,
            [this](int index, QRect rect, Qt::Edges edges, int drag, bool finished) {
                QList<MapHotspot> list = hotspots();
                if (index < 0 || index >= list.size())
                    return;
                const auto words = m_words.find(m_k);
                const bool moved =
                    edges == (Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
                if (finished && !moved && words != m_words.end())
                    rect = snapToBoxes(rect, words->second, snapReach, edges);
                list[index].setRect(rect);
                apply(list, moved ? tr("移动热区") : tr("改变热区大小"), 1'000'000 + drag);
            });
    connect(m_page, &PageView::drawn, this, [this](const QRect &rect) {
        const auto words = m_words.find(m_k);
        QList<MapHotspot> list = hotspots();
        list.append(MapHotspot::blank(
            words == m_words.end() ? rect : fitToBoxes(rect, words->second, fitMargin)));
        apply(list, tr("新建热区"));
        select(int(list.size()) - 1);
    });
    connect(m_page, &PageView::nudged, this, [this](int dx, int dy, bool corner) {
        changeSelected(
            [&](MapHotspot &hotspot) {
                QRect r = hotspot.rect();
                if (corner)
                    r.setBottomRight(r.bottomRight() + QPoint(dx, dy));
                else
                    r.translate(dx, dy);
                if (r.isValid() && QRect(QPoint(0, 0), spreadFrame).contains(r))
                    hotspot.setRect(r);
            },
            tr("移动热区"), 2'000'000 + m_keys);
    });
    connect(m_waveform, &WaveformView::boundaryDragged, this,
            [this](int index, bool end, int ms, int drag, bool) {
                QList<MapHotspot> list = hotspots();
                if (index < 0 || index >= list.size())
                    return;
                list[index].setTime(end, ms);
                apply(list, end ? tr("拖动结束时间") : tr("拖动开始时间"), 3'000'000 + drag);
            });

    m_checkDelay.setSingleShot(true);
    m_checkDelay.setInterval(500);
    connect(&m_checkDelay, &QTimer::timeout, this, &EditorWindow::startCheck);
    m_recoveryDelay.setSingleShot(true);
    m_recoveryDelay.setInterval(1000);
    connect(&m_recoveryDelay, &QTimer::timeout, this, &EditorWindow::keepRecovery);
    connect(&m_playhead, &QTimer::timeout, this, [this] {
        m_waveform->setPlayhead(m_player->isPlaying() ? int(m_player->currentTime()) : -1);
        if (!m_player->isPlaying())
            m_playhead.stop();
    });
    connect(m_player, &AbstractAudioPlayer::finished, this, [this] {
        m_playhead.stop();
        m_waveform->setPlayhead(-1);
    });

    setWindowTitle(QStringLiteral("%1[*] — mvrbook").arg(QDir(m_folder).dirName()));
    m_spread->setRange(0, std::max(0, m_book->lastSpread()));
    if (!m_editable) {
        statusBar()->showMessage(tr("地图读不懂，只能看不能改：%1").arg(m_document.error()));
        m_text->setEnabled(false);
    } else {
        // Asked over the window, once it shows the book the edits belong to.
        QTimer::singleShot(0, this, &EditorWindow::offerRecovery);
    }
    showSpread(std::min(1, std::max(0, m_book->lastSpread())));
    startCheck();
    // The keys of the page act on the selected hotspot from the start.
    m_page->setFocus();
}

EditorWindow::~EditorWindow() = default;

QWidget *EditorWindow::buildSidePanel()
{
    auto *panel = new QWidget;
    auto *layout = new QVBoxLayout(panel);
    m_title = new QLabel;
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    layout->addWidget(m_title);

    auto *form = new QFormLayout;
    m_start = new QSpinBox;
    m_end = new QSpinBox;
    for (QSpinBox *box : {m_start, m_end}) {
        box->setRange(-1, 24 * 3600 * 1000);
        box->setSpecialValueText(tr("无"));
        box->setSuffix(QStringLiteral(" ms"));
        box->setSingleStep(nudgeMs);
        box->setKeyboardTracking(false);
    }
    form->addRow(tr("开始"), m_start);
    form->addRow(tr("结束"), m_end);
    m_text = new QLineEdit;
    m_text->setPlaceholderText(tr("中文意思，@ 换行"));
    form->addRow(tr("中文"), m_text);
    layout->addLayout(form);

    layout->addWidget(new QLabel(tr("提示的样子：")));
    m_tip = new QLabel;
    m_tip->setFont(TipLook::font());
    QPalette tipPalette = TipLook::palette(m_tip->palette());
    tipPalette.setBrush(QPalette::Window, tipPalette.brush(QPalette::ToolTipBase));
    tipPalette.setBrush(QPalette::WindowText, tipPalette.brush(QPalette::ToolTipText));
    m_tip->setPalette(tipPalette);
    m_tip->setAutoFillBackground(true);
    m_tip->setMargin(4);
    m_tip->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    layout->addWidget(m_tip);

    m_checkState = new QLabel;
    layout->addWidget(m_checkState);
    m_problems = new QListWidget;
    m_problems->setWordWrap(true);
    layout->addWidget(m_problems, 1);

    for (QSpinBox *box : {m_start, m_end}) {
        connect(box, &QSpinBox::valueChanged, this, [this, box](int ms) {
            changeSelected([&](MapHotspot &hotspot) { hotspot.setTime(box == m_end, ms); },
                           box == m_end ? tr("改结束时间") : tr("改开始时间"));
        });
    }
    connect(m_text, &QLineEdit::textEdited, this, [this](const QString &text) {
        changeSelected([&](MapHotspot &hotspot) { hotspot.setValue(QStringLiteral("TEXT"), text); },
                       tr("改中文"), 4'000'000 + m_textKey);
    });
    connect(m_text, &QLineEdit::returnPressed, m_page, qOverload<>(&QWidget::setFocus));
    connect(m_problems, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= m_listed.size())
            return;
        const Problem &problem = m_listed[row];
        if (problem.spread < 0)
            return;
        showSpread(problem.spread);
        select(hotspotOf(problem));
    });
    return panel;
}

void EditorWindow::buildActions()
{
    QToolBar *bar = addToolBar(tr("工具"));
    bar->setMovable(false);
    const auto add = [&](const QString &text, const QKeySequence &keys, auto slot,
                         bool onBar = true) {
        auto *action = new QAction(text, this);
        action->setShortcut(keys);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(text, keys.toString()));
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        if (onBar)
            bar->addAction(action);
        return action;
    };
    add(tr("上一页"), QKeySequence(Qt::Key_PageUp), [this] { showSpread(m_k - 1); });
    m_spread = new QSpinBox;
    m_spread->setPrefix(tr("第 "));
    m_spread->setSuffix(tr(" 页"));
    bar->addWidget(m_spread);
    connect(m_spread, &QSpinBox::valueChanged, this, &EditorWindow::showSpread);
    add(tr("下一页"), QKeySequence(Qt::Key_PageDown), [this] { showSpread(m_k + 1); });
    bar->addSeparator();
    add(tr("保存"), QKeySequence::Save, [this] { save(); });
    QAction *undo = m_undo.createUndoAction(this, tr("撤销"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = m_undo.createRedoAction(this, tr("重做"));
    redo->setShortcuts({QKeySequence::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addAction(undo);
    addAction(redo);
    bar->addAction(undo);
    bar->addAction(redo);
    bar->addSeparator();
    add(tr("上一个"), QKeySequence(Qt::SHIFT | Qt::Key_N),
        [this] { select(m_selected <= 0 ? int(hotspots().size()) - 1 : m_selected - 1); });
    add(tr("下一个"), QKeySequence(Qt::Key_N), [this] {
        const int count = int(hotspots().size());
        select(count == 0 ? -1 : (m_selected + 1) % count);
    });
    add(tr("删除"), QKeySequence::Delete, [this] {
        QList<MapHotspot> list = hotspots();
        if (m_selected < 0 || m_selected >= list.size())
            return;
        list.removeAt(m_selected);
        apply(list, tr("删除热区"));
        select(std::min(m_selected, int(list.size()) - 1));
    });
    add(tr("按阅读顺序编号"), QKeySequence(Qt::CTRL | Qt::Key_R), [this] { renumber(); });
    add(tr("贴合文字"), QKeySequence(Qt::Key_F), [this] {
        const auto words = m_words.find(m_k);
        if (words != m_words.end())
            changeSelected(
                [&](MapHotspot &h) { h.setRect(fitToBoxes(h.rect(), words->second, fitMargin)); },
                tr("贴合文字"));
    });
    bar->addSeparator();
    add(tr("播放"), QKeySequence(Qt::Key_Space), [this] { play(false); });
    add(tr("从这里播放"), QKeySequence(Qt::SHIFT | Qt::Key_Space), [this] { play(true); });
    add(tr("停止"), QKeySequence(Qt::Key_Escape), [this] { m_player->stopIfPlaying(); });
    add(tr("贴到停顿"), QKeySequence(Qt::Key_P), [this] { snapToPauses(); });
    add(
        tr("写中文"), QKeySequence(Qt::Key_F2),
        [this] {
            m_text->setFocus();
            m_text->selectAll();
        },
        false);
    add(
        tr("退出"), QKeySequence::Quit, [this] { close(); }, false);
    add(tr("放大"), QKeySequence(Qt::Key_Plus), [this] { m_waveform->zoom(1.5); });
    add(tr("缩小"), QKeySequence(Qt::Key_Minus), [this] { m_waveform->zoom(1 / 1.5); });
    const auto nudge = [this](bool end, int ms) {
        changeSelected(
            [&](MapHotspot &h) {
                if (h.time(end) >= 0)
                    h.setTime(end, std::max(0, h.time(end) + ms));
            },
            end ? tr("改结束时间") : tr("改开始时间"), 5'000'000 + m_keys);
    };
    add(
        tr("开始提前"), QKeySequence(Qt::Key_BracketLeft), [=] { nudge(false, -nudgeMs); }, false);
    add(
        tr("开始推后"), QKeySequence(Qt::Key_BracketRight), [=] { nudge(false, nudgeMs); }, false);
    add(
        tr("结束提前"), QKeySequence(Qt::CTRL | Qt::Key_BracketLeft),
        [=] { nudge(true, -nudgeMs); }, false);
    add(
        tr("结束推后"), QKeySequence(Qt::CTRL | Qt::Key_BracketRight),
        [=] { nudge(true, nudgeMs); }, false);
}

void EditorWindow::apply(const QList<MapHotspot> &after, const QString &what, int key)
{
    if (!m_editable || after == hotspots())
        return;
    m_undo.push(new MapEditCommand(&m_document, m_k, after, what, key));
}

void EditorWindow::changeSelected(const std::function<void(MapHotspot &)> &change,
                                  const QString &what, int key)
{
    QList<MapHotspot> list = hotspots();
    if (m_selected < 0 || m_selected >= list.size())
        return;
    change(list[m_selected]);
    apply(list, what, key);
}

void EditorWindow::showSpread(int k)
{
    if (k < 0 || k > std::max(0, m_book->lastSpread()))
        return;
    const bool other = k != m_k;
    m_k = k;
    m_player->stopIfPlaying();
    const auto page = m_book->pages().find(k);
    m_page->setPage(
        page == m_book->pages().end() ? QImage() : QImageReader(m_book->path(page->second)).read());
    const QSignalBlocker blocker(m_spread);
    m_spread->setValue(k);
    if (other || m_selected >= hotspots().size())
        m_selected = hotspots().isEmpty() ? -1 : 0;
    ++m_keys;
    loadMedia();
    refresh();
}

void EditorWindow::select(int index)
{
    m_selected = index < 0 || index >= hotspots().size() ? -1 : index;
    ++m_keys;
    ++m_textKey;
    refresh();
    m_waveform->setSelected(m_selected);
}

void EditorWindow::refresh()
{
    const QList<MapHotspot> list = hotspots();
    if (m_selected >= list.size())
        m_selected = int(list.size()) - 1;
    QList<QRect> rects;
    QList<std::pair<int, int>> segments;
    for (const MapHotspot &hotspot : list) {
        rects.append(hotspot.rect());
        segments.append({hotspot.time(false), hotspot.time(true)});
    }
    m_page->setHotspots(rects);
    m_page->setSelected(m_selected);
    m_waveform->setSegments(segments);
    m_waveform->setSelected(m_selected);
    refreshSidePanel();
    setWindowModified(m_document.isModified());
}

void EditorWindow::refreshSidePanel()
{
    const QList<MapHotspot> list = hotspots();
    const bool any = m_selected >= 0 && m_selected < list.size();
    m_title->setText(any ? tr("%1 第 %2 页 热区 N_%3（共 %4 个）")
                               .arg(Content::spreadTag(m_k))
                               .arg(m_k)
                               .arg(m_selected)
                               .arg(list.size())
                         : tr("%1 第 %2 页：没有选中热区（共 %3 个）")
                               .arg(Content::spreadTag(m_k))
                               .arg(m_k)
                               .arg(list.size()));
    const MapHotspot hotspot = any ? list[m_selected] : MapHotspot();
    for (QSpinBox *box : {m_start, m_end}) {
        const QSignalBlocker blocker(box);
        box->setEnabled(any && m_editable);
        box->setValue(hotspot.time(box == m_end));
    }
    const QString text = hotspot.value(QStringLiteral("TEXT"));
    if (m_text->text() != text) {
        const QSignalBlocker blocker(m_text);
        m_text->setText(text);
    }
    m_text->setEnabled(any && m_editable);
    m_tip->setText(tipText(hotspot));
    m_tip->setVisible(!m_tip->text().isEmpty());
}

void EditorWindow::loadMedia()
{
    const int k = m_k;
    const auto words = m_words.find(k);
    m_page->setWordBoxes(words == m_words.end() ? QList<QRect>() : words->second);
    const auto trace = m_traces.find(k);
    m_waveform->setTrace(trace == m_traces.end() ? nullptr : trace->second);

    // The recording decodes in a moment, reading the page takes seconds: apart, so the
    // waveform does not wait for the words.
    if (trace == m_traces.end() && !m_loadingTraces.contains(k)) {
        m_loadingTraces.insert(k);
        const auto recording = m_book->recordings().find(k);
        const QString path =
            recording == m_book->recordings().end() ? QString() : m_book->path(recording->second);
        const QString ffmpeg = m_setup.check.programs.ffmpeg;
        runAside<std::shared_ptr<const RecordingTrace>>(
            this,
            [=] {
                RecordingTrace none;
                none.error = QStringLiteral("这一页没有录音");
                return std::make_shared<const RecordingTrace>(
                    path.isEmpty() ? none : RecordingTrace::decode(ffmpeg, path));
            },
            [this, k](const std::shared_ptr<const RecordingTrace> &decoded) {
                m_loadingTraces.remove(k);
                m_traces[k] = decoded;
                if (k == m_k)
                    loadMedia();
            });
    }
    const auto page = m_book->pages().find(k);
    if (m_setup.readWords && words == m_words.end() && !m_loadingWords.contains(k) &&
        page != m_book->pages().end()) {
        m_loadingWords.insert(k);
        const QString path = m_book->path(page->second);
        runAside<QList<QRect>>(
            this,
            [=] {
                QString error;
                return readWordBoxes(path, &error);
            },
            [this, k](const QList<QRect> &boxes) {
                m_loadingWords.remove(k);
                m_words[k] = boxes;
                if (k == m_k)
                    loadMedia();
            });
    }
}

void EditorWindow::startCheck()
{
    if (m_checking) {
        m_checkAgain = true;
        return;
    }
    m_checking = true;
    m_checkState->setText(tr("正在检查……"));
    const QString folder = m_folder;
    const QString mirror = m_setup.mirrorDir;
    const CheckOptions options = m_setup.check;
    // An unreadable map is checked as it is on disk, so the list says what is wrong with it.
    const QByteArray map = m_editable ? m_document.bytes() : QByteArray();
    const bool editable = m_editable;
    runAside<Problems>(
        this,
        [=] {
            return editable ? checkWithMap(folder, map, mirror, options)
                            : checkBook(folder, options).problems;
        },
        [this](const Problems &problems) {
            m_checking = false;
            m_listed = problems.sorted(BookFolder::fileOrder());
            const QSignalBlocker blocker(m_problems);
            m_problems->clear();
            for (const Problem &problem : std::as_const(m_listed)) {
                auto *item = new QListWidgetItem(problem.toString(), m_problems);
                item->setForeground(problem.severity == Problem::Severity::Error
                                        ? QColor(200, 0, 0)
                                        : QColor(140, 90, 0));
            }
            m_checkState->setText(
                tr("检查：%1 个错误，%2 个警告").arg(problems.errors()).arg(problems.warnings()));
            emit checked();
            if (std::exchange(m_checkAgain, false))
                startCheck();
        });
}

bool EditorWindow::save()
{
    if (!m_editable)
        return false;
    if (!m_document.save(m_book->path(BookFolder::mapFile))) {
        QMessageBox::warning(this, tr("没有保存"), m_document.error());
        return false;
    }
    QFile::remove(m_setup.recoveryFile);
    m_undo.setClean();
    setWindowModified(false);
    statusBar()->showMessage(tr("已保存 %1").arg(m_book->path(BookFolder::mapFile)), 5000);
    return true;
}

void EditorWindow::keepRecovery()
{
    if (m_setup.recoveryFile.isEmpty())
        return;
    if (!m_document.isModified()) {
        QFile::remove(m_setup.recoveryFile);
        return;
    }
    QDir().mkpath(QFileInfo(m_setup.recoveryFile).path());
    if (QString error; !writeAtomically(m_setup.recoveryFile, m_document.bytes(), &error))
        statusBar()->showMessage(tr("未保存的修改无法另存：%1").arg(error));
}

void EditorWindow::offerRecovery()
{
    QFile file(m_setup.recoveryFile);
    MapDocument kept;
    if (m_setup.recoveryFile.isEmpty() || !file.open(QIODevice::ReadOnly) ||
        !kept.read(file.readAll()) || kept.bytes() == m_document.bytes())
        return;
    QMessageBox ask(QMessageBox::Question, tr("恢复"),
                    tr("上次编辑这本书时有没保存的修改。要恢复吗？恢复后可以撤销。"),
                    QMessageBox::NoButton, this);
    QPushButton *restore = ask.addButton(tr("恢复"), QMessageBox::AcceptRole);
    ask.addButton(tr("丢掉"), QMessageBox::RejectRole);
    ask.setDefaultButton(restore);
    ask.exec();
    if (ask.clickedButton() != restore) {
        file.remove();
        return;
    }
    QList<int> spreads = kept.spreads() + m_document.spreads();
    std::sort(spreads.begin(), spreads.end());
    spreads.erase(std::unique(spreads.begin(), spreads.end()), spreads.end());
    m_undo.beginMacro(tr("恢复未保存的修改"));
    for (const int k : std::as_const(spreads)) {
        if (kept.hotspots(k) != m_document.hotspots(k))
            m_undo.push(new MapEditCommand(&m_document, k, kept.hotspots(k), tr("恢复")));
    }
    m_undo.endMacro();
}

void EditorWindow::play(bool fromCursor)
{
    const auto recording = m_book->recordings().find(m_k);
    if (recording == m_book->recordings().end())
        return;
    const QString path = m_book->path(recording->second);
    if (path != m_playerSource) {
        m_player->setSource(path);
        m_playerSource = path;
    }
    const QList<MapHotspot> list = hotspots();
    const auto trace = m_traces.find(m_k);
    // Before the recording is measured, from here is to its end, whatever that is.
    const int length = trace != m_traces.end() && trace->second->lengthMs > 0
                           ? trace->second->lengthMs
                           : 24 * 3600 * 1000;
    if (fromCursor) {
        m_player->playSegment(m_waveform->cursor(), length);
    } else {
        if (m_selected < 0 || m_selected >= list.size())
            return;
        const MapHotspot &hotspot = list[m_selected];
        if (hotspot.time(false) < 0 || hotspot.time(true) <= hotspot.time(false))
            return;
        m_player->playSegment(hotspot.time(false), hotspot.time(true));
    }
    m_playhead.start();
}

void EditorWindow::renumber()
{
    const QList<MapHotspot> list = hotspots();
    QList<QRect> rects;
    for (const MapHotspot &hotspot : list)
        rects.append(hotspot.rect());
    const QList<int> order = readingOrder(rects);
    QList<MapHotspot> ordered;
    for (const int i : order)
        ordered.append(list[i]);
    const int selected = int(order.indexOf(m_selected));
    apply(ordered, tr("按阅读顺序编号"));
    select(selected);
}

void EditorWindow::snapToPauses()
{
    const auto trace = m_traces.find(m_k);
    if (trace == m_traces.end())
        return;
    const RecordingTrace &t = *trace->second;
    changeSelected(
        [&](MapHotspot &h) {
            for (const bool end : {false, true}) {
                if (h.time(end) >= 0)
                    h.setTime(end, snapToPause(h.time(end), end, t.speech, t.lengthMs));
            }
        },
        tr("贴到停顿"));
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    m_player->clearIfPlaying();
    if (!m_editable || !m_document.isModified()) {
        QFile::remove(m_setup.recoveryFile);
        event->accept();
        return;
    }
    QMessageBox ask(QMessageBox::Question, tr("保存"), tr("地图有没保存的修改。保存吗？"),
                    QMessageBox::NoButton, this);
    QPushButton *keep = ask.addButton(tr("保存"), QMessageBox::AcceptRole);
    ask.addButton(tr("不保存"), QMessageBox::DestructiveRole);
    QPushButton *stay = ask.addButton(tr("取消"), QMessageBox::RejectRole);
    ask.setDefaultButton(keep);
    ask.exec();
    if (ask.clickedButton() == stay || (ask.clickedButton() == keep && !save())) {
        event->ignore();
        return;
    }
    QFile::remove(m_setup.recoveryFile);
    event->accept();
}
