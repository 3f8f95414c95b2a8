#pragma once

#include "media/abstractaudioplayer.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/edit/mapdocument.h"
#include "tools/mvrbook/edit/spreadmedia.h"

#include <QMainWindow>
#include <QSet>
#include <QTimer>
#include <QUndoStack>

#include <functional>
#include <map>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class PageView;
class WaveformView;

// What the editor works with besides the book folder.
struct EditorSetup
{
    AudioPlayerFactory players;
    CheckOptions check;    // its programs decode the recordings for the waveform too
    bool readWords = true; // read the words on the pages, to snap rectangles to
    QString mirrorDir;     // where the book is mirrored with the map being edited, to check it
    QString recoveryFile;  // where unsaved edits are kept against a crash
};

// `mvrbook edit`: the book's hotspot map corrected spread by spread, on the page image and the
// recording, with the check's problems beside it. Saves only point.xml.
class EditorWindow : public QMainWindow
{
    Q_OBJECT
public:
    EditorWindow(const QString &folder, EditorSetup setup, QWidget *parent = nullptr);
    ~EditorWindow() override;

    // False, with the reason shown, where the map cannot be read: then nothing can be edited.
    bool isEditable() const { return m_editable; }
    const MapDocument &document() const { return m_document; }
    QUndoStack &undoStack() { return m_undo; }
    int spread() const { return m_k; }
    int selected() const { return m_selected; }
    PageView *pageView() const { return m_page; }
    WaveformView *waveformView() const { return m_waveform; }
    QLineEdit *textField() const { return m_text; }
    QListWidget *problemList() const { return m_problems; }
    QLabel *tipPreview() const { return m_tip; }

    void showSpread(int k);
    void select(int index);
    bool save();

signals:
    // The check of the map as it stands has been listed.
    void checked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    QWidget *buildSidePanel();
    QList<MapHotspot> hotspots() const { return m_document.hotspots(m_k); }
    void apply(const QList<MapHotspot> &after, const QString &what, int key = 0);
    void changeSelected(const std::function<void(MapHotspot &)> &change, const QString &what,
                        int key = 0);
    void refresh();
    void refreshSidePanel();
    void loadMedia();
    void startCheck();
    void keepRecovery();
    void offerRecovery();
    void play(bool fromCursor);
    void renumber();
    void snapToPauses();

    QString m_folder;
    EditorSetup m_setup;
    std::unique_ptr<BookFolder> m_book;
    MapDocument m_document;
    QUndoStack m_undo;
    bool m_editable = true;
    int m_k = -1;
    int m_selected = -1;
    int m_keys = 0; // a new key for each run of edits that undo as one

    std::map<int, std::shared_ptr<const RecordingTrace>> m_traces;
    std::map<int, QList<QRect>> m_words;
    QSet<int> m_loadingTraces; // spreads whose recordings are being read
    QSet<int> m_loadingWords;  // spreads whose pages are being read

    PageView *m_page = nullptr;
    WaveformView *m_waveform = nullptr;
    QSpinBox *m_spread = nullptr;
    QLabel *m_title = nullptr;
    QSpinBox *m_start = nullptr;
    QSpinBox *m_end = nullptr;
    QLineEdit *m_text = nullptr;
    int m_textKey = 0;
    QLabel *m_tip = nullptr;
    QLabel *m_checkState = nullptr;
    QListWidget *m_problems = nullptr;
    QList<Problem> m_listed;

    AbstractAudioPlayer *m_player = nullptr;
    QString m_playerSource;
    QTimer m_playhead;
    QTimer m_checkDelay;
    QTimer m_recoveryDelay;
    bool m_checking = false;
    bool m_checkAgain = false;
};
