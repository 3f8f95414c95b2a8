#include "app/application.h"

#include "content/interfaceimage.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QMessageBox>
#include <QTranslator>

void installFontSubstitutions()
{
    QFont::insertSubstitutions(QStringLiteral("楷体"),
                               {QStringLiteral("KaiTi"), QStringLiteral("AR PL UKai CN")});
    QFont::insertSubstitutions(QStringLiteral("黑体"),
                               {QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Zen Hei")});
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

bool installQtTranslation(const QString &directory)
{
    auto *translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), directory)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void installStyleSheet(const QString &resourcePath)
{
    QFile file(resourcePath);
    // Not tested on purpose: an unreadable sheet reads as empty, and an empty sheet is
    // installed, which leaves Qt's default look.
    file.open(QIODevice::ReadOnly);
    qApp->setStyleSheet(styleSheetFor(QString::fromUtf8(file.readAll()), qApp->devicePixelRatio()));
    file.close();
}

void addPluginFolder()
{
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/plugins"));
}

void showReadFailureBox(const QString &title, const QString &text)
{
    QMessageBox::critical(nullptr, title, text, QMessageBox::Yes, QMessageBox::NoButton);
}
