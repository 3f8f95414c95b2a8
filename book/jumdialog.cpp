#include "book/jumdialog.h"

#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

// Qt's QIntValidator lets "11" through as unfinished input because it has no more digits than
// the top; a page above the top must not even be typed, or the jump would leave the book. It
// also takes a plus sign, the locale's own digits and its digit group separators, while the
// page number is read from the digits 0 to 9 alone: "1,0" or "٥" would read as 0 with a page
// in the field.
class PageValidator : public QIntValidator
{
public:
    PageValidator(int bottom, int top, QObject *parent)
        : QIntValidator(bottom, top, parent)
    {
        setLocale(QLocale::c());
    }

    State validate(QString &input, int &pos) const override
    {
        if (!std::all_of(input.cbegin(), input.cend(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return Invalid;
        const State state = QIntValidator::validate(input, pos);
        if (state == Intermediate && input.toInt() > top())
            return Invalid;
        return state;
    }
};

} // namespace

jumDialog::jumDialog(QWidget *parent, int lastPage)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("跳页"));
    resize(200, 100);
    m_pageEdit = new QLineEdit(this);
    m_okButton = new QPushButton(this);
    m_pageEdit->setGeometry(20, 20, 60, 50);
    m_okButton->setGeometry(90, 20, 80, 50);

    QFont font(QStringLiteral("楷体"));
    font.setPixelSize(25);
    font.setWeight(QFont::Bold);
    m_okButton->setFont(font);
    m_pageEdit->setFont(font);

    QPalette palette = m_okButton->palette();
    palette.setBrush(QPalette::All, QPalette::ButtonText, QBrush(QColor(200, 100, 100)));
    m_okButton->setPalette(palette);
    m_okButton->setText(QStringLiteral("确定"));

    m_pageEdit->setValidator(new PageValidator(1, std::min(10, lastPage), this));
    connect(m_okButton, &QPushButton::clicked, this, &jumDialog::close);
}

void jumDialog::close()
{
    m_pageNumber = m_pageEdit->text().toInt();
    QDialog::close();
}
