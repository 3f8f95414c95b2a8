#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// The tests' one set of helpers for the modal dialogs that the code under test opens with
// exec(): answer the next one, close any that shows, or fail on one nobody answers.

// Runs `act` on the next modal dialog as soon as it is shown. Gives up after `timeoutMs`.
inline void whenModalShows(std::function<void(QWidget *)> act, int timeoutMs = 5000)
{
    auto *poll = new QTimer;
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, deadline, act = std::move(act)] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            act(dialog);
        } else if (deadline.hasExpired()) {
            poll->deleteLater();
            poll->stop();
        }
    });
    poll->start(5);
}

// What a message box showed, recorded by answerMessageBox().
struct SeenBox
{
    bool shown = false;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hasIconPixmap = false;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts; // as the buttons read, in the order of QMessageBox::buttons()
    bool hasDefault = false;
    QWidget *parent = nullptr;
    Qt::WindowFlags flags;
};

// Records the next message box and presses its `button`; a box without that button is
// closed, and any other dialog is closed unrecorded.
inline void answerMessageBox(SeenBox *seen, QMessageBox::StandardButton button)
{
    whenModalShows([seen, button](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (!box) {
            dialog->close();
            return;
        }
        seen->shown = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->format = box->textFormat();
        seen->icon = box->icon();
        seen->hasIconPixmap = !box->iconPixmap().isNull();
        seen->buttons = box->standardButtons();
        const QList<QAbstractButton *> buttons = box->buttons();
        for (const QAbstractButton *b : buttons)
            seen->buttonTexts << b->text();
        seen->hasDefault = box->defaultButton() != nullptr;
        seen->parent = box->parentWidget();
        seen->flags = box->windowFlags();
        if (QAbstractButton *b = box->button(button))
            b->click();
        else
            box->close();
    });
}

// Closes every modal window that shows while it lives and records its title, so that a box
// that should not appear fails the test instead of blocking it.
class ModalGuard
{
public:
    ModalGuard()
    {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                seen << dialog->windowTitle();
                dialog->close();
            }
        });
        m_poll.start(5);
    }

    QStringList seen;

private:
    QTimer m_poll;
};

// Watches over a whole test: a modal window that stays up for `patienceMs` (one that no step
// of the test answers) is closed and its title kept in `stuck`, so the test fails instead of
// blocking until ctest kills it.
class StuckModalWatch
{
public:
    explicit StuckModalWatch(int patienceMs = 2000)
        : m_patienceMs(patienceMs)
    {
        m_poll.setInterval(50);
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal != m_watched) {
                m_watched = modal;
                m_since = QDeadlineTimer(m_patienceMs);
            } else if (modal && m_since.hasExpired()) {
                stuck << modal->windowTitle();
                modal->close();
            }
        });
    }

    void start()
    {
        stuck.clear();
        m_poll.start();
    }
    void stop() { m_poll.stop(); }

    QStringList stuck;

private:
    int m_patienceMs;
    QTimer m_poll;
    QPointer<QWidget> m_watched;
    QDeadlineTimer m_since;
};
