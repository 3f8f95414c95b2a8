#include "preview.h"

#include "content/layout.h"
#include "tools/common/failure.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace {

void installSheet(const QString &resourceDirectory, const QString &name)
{
    QFile file(resourceDirectory + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1").arg(file.fileName()));
    QString sheet = QString::fromUtf8(file.readAll());
    sheet.replace(QStringLiteral("url(:/Image/"), QStringLiteral("url(%1/").arg(resourceDirectory));
    qApp->setStyleSheet(sheet);
}

QPushButton *button(QWidget *parent, const QString &objectName, const QRect &geometry)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(objectName);
    b->setGeometry(geometry);
    return b;
}

// Stands in for a spread of the book.
void pagePlaceholder(QWidget *parent, const QRect &geometry)
{
    auto *page = new QLabel(QStringLiteral("page"), parent);
    page->setAlignment(Qt::AlignCenter);
    page->setAutoFillBackground(true);
    QPalette palette = page->palette();
    palette.setColor(QPalette::Window, QColor(0xD8, 0xD8, 0xD0));
    page->setPalette(palette);
    page->setGeometry(geometry);
}

void save(QWidget &host, const QString &path)
{
    if (!host.grab().save(path))
        throw Failure(QStringLiteral("cannot write %1").arg(path));
}

QFont font(const QString &family, int pointSize, int pixelSize, bool bold)
{
    QFont f(family);
    if (pointSize > 0)
        f.setPointSize(pointSize);
    else
        f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void colour(QWidget *widget, QPalette::ColorRole role, const QColor &c)
{
    QPalette palette = widget->palette();
    palette.setColor(role, c);
    widget->setPalette(palette);
}

} // namespace

void writePreviews(const QString &resourceDirectory, const QString &outputDirectory)
{
    {
        installSheet(resourceDirectory, QStringLiteral("bookstyle.qss"));
        QWidget host;
        host.resize(Layout::windowSize);
        auto *face = new QLabel(&host);
        face->setObjectName(QStringLiteral("face"));
        face->setGeometry(Layout::face);
        pagePlaceholder(&host, Layout::pageView);
        for (const Layout::ButtonPlace &place : Layout::buttons)
            button(&host, place.objectName.toString(), place.window);
        save(host, outputDirectory + QStringLiteral("/preview-window.png"));
    }
    {
        installSheet(resourceDirectory, QStringLiteral("bookstyle2.qss"));
        const QSize desktop(1280, 800);
        const Layout::FullScreen layout = Layout::fullScreen(desktop);
        QWidget host;
        host.resize(desktop);
        auto *backdrop = new QLabel(&host);
        backdrop->setPixmap(QPixmap(resourceDirectory + QStringLiteral("/full.jpg")));
        backdrop->setScaledContents(true);
        backdrop->setGeometry(QRect(QPoint(0, 0), desktop));
        pagePlaceholder(&host, layout.pageArea);
        for (const Layout::ButtonPlace &place : Layout::buttons) {
            if (const auto geometry = Layout::fullScreenPlace(place, desktop))
                button(&host, place.objectName.toString(), *geometry);
        }
        save(host, outputDirectory + QStringLiteral("/preview-fullscreen.png"));
    }
    {
        installSheet(resourceDirectory, QStringLiteral("bookstyle.qss"));
        const QString kai = QStringLiteral("AR PL UKai CN");
        QWidget host;
        host.resize(Layout::windowSize);
        auto *background = new QLabel(&host);
        background->setPixmap(QPixmap(resourceDirectory + QStringLiteral("/word.jpg")));
        background->setGeometry(Layout::face);

        auto *start = new QPushButton(QStringLiteral("出发"), &host);
        start->setGeometry(818, 204, 90, 36);
        start->setFont(font(QStringLiteral("WenQuanYi Zen Hei"), 20, 0, true));
        colour(start, QPalette::ButtonText, QColor(0xC8, 0x64, 0x64));
        button(&host, QStringLiteral("goback"), QRect(874, 572, 90, 36));
        button(&host, QStringLiteral("history"), QRect(770, 572, 90, 36));

        auto *right = new QLabel(QStringLiteral("3"), &host);
        right->setGeometry(334, 350, 50, 50);
        right->setFont(font(kai, 32, 0, true));
        colour(right, QPalette::WindowText, Qt::blue);
        auto *wrong = new QLabel(QStringLiteral("1"), &host);
        wrong->setGeometry(334, 415, 50, 50);
        wrong->setFont(font(kai, 32, 0, true));
        colour(wrong, QPalette::WindowText, Qt::red);

        auto *unit = new QComboBox(&host);
        unit->addItem(QStringLiteral("第一单元"));
        unit->setGeometry(890, 75, 110, 35);
        unit->setFont(font(kai, 0, 20, false));

        auto *meaning = new QLabel(QStringLiteral("邮局"), &host);
        meaning->setGeometry(414, 283, 379, 44);
        meaning->setFont(font(kai, 0, 30, true));
        colour(meaning, QPalette::WindowText, QColor(0x2F, 0x4F, 0x4F));
        auto *answer = new QLineEdit(QStringLiteral("post office"), &host);
        answer->setGeometry(404, 201, 379, 44);
        answer->setFont(font(kai, 0, 30, true));
        colour(answer, QPalette::Text, QColor(0x6A, 0x5A, 0xCD));
        auto *feedback = new QLabel(QStringLiteral("正确写法:science"), &host);
        feedback->setGeometry(404, 300, 400, 200);
        feedback->setFont(font(kai, 20, 0, true));
        colour(feedback, QPalette::WindowText, QColor(0x00, 0x64, 0x00));
        save(host, outputDirectory + QStringLiteral("/preview-word.png"));
    }
    qApp->setStyleSheet(QString());
}
