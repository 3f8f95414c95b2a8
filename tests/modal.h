#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTimer>

#include <functional>

// Runs `act` on the next modal dialog as soon as it is shown, so a test can answer a box that
// the code under test opens with exec(). Gives up after `timeoutMs`.
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
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QStringList buttonTexts; // as the buttons read, in the order of `buttons`
    bool shown = false;
};

// Records the next message box and presses its `button`.
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
        seen->icon = box->icon();
        const QList<QAbstractButton *> buttons = box->buttons();
        for (QAbstractButton *b : buttons) {
            seen->buttons << box->standardButton(b);
            seen->buttonTexts << b->text();
        }
        if (QAbstractButton *b = box->button(button))
            b->click();
        else
            box->close();
    });
}
