#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// Asks for a page number from 1 to 10, or to the book's last page when the book is shorter.
// The caller reads pageNumber() after exec(): 0 when nothing valid was confirmed, including
// when the dialog was dismissed without its button.
class jumDialog : public QDialog
{
    Q_OBJECT
public:
    explicit jumDialog(QWidget *parent, int lastPage = 10);

    int pageNumber() const { return m_pageNumber; }

public slots:
    // Reads the page number and closes; only the confirm button comes here, so Escape and the
    // title bar's close button leave the number at 0.
    void close();

private:
    QLineEdit *m_pageEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    int m_pageNumber = 0;

    friend class TestJumpDialog;
};
