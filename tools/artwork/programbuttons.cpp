#include "programbuttons.h"

#include "content/layout.h"

#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// Without a real pointer Qt never reports a button as hovered, so this one says it is, the
// way QPushButton paints itself otherwise.
class HoveredButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.state |= QStyle::State_MouseOver;
        painter.drawControl(QStyle::CE_PushButton, option);
    }
};

} // namespace

// The quit and word buttons are hidden in full-screen mode and the practice buttons stay in
// the 1100 x 723 word view, so they keep their window sizes. The full-screen buttons keep
// their size on any desktop; the one asked for here only places them.
QSize buttonSize(const QString &objectName, bool fullScreen)
{
    static const QHash<QString, QSize> window{
        {QStringLiteral("directory"), Layout::directoryButton.size()},
        {QStringLiteral("qut"), Layout::qutButton.size()},
        {QStringLiteral("next"), Layout::nextButton.size()},
        {QStringLiteral("up"), Layout::upButton.size()},
        {QStringLiteral("find"), Layout::findButton.size()},
        {QStringLiteral("jump"), Layout::jumpButton.size()},
        {QStringLiteral("full"), Layout::fullButton.size()},
        {QStringLiteral("word"), Layout::wordButton.size()},
        {QStringLiteral("flash"), Layout::flashButton.size()},
        {QStringLiteral("nextword"), QSize(90, 36)},
        {QStringLiteral("goback"), QSize(90, 36)},
    };
    static const QHash<QString, QSize> full = [] {
        const Layout::FullScreen layout = Layout::fullScreen(QSize(1920, 1080));
        return QHash<QString, QSize>{
            {QStringLiteral("directory"), layout.directoryButton.size()},
            {QStringLiteral("next"), layout.nextButton.size()},
            {QStringLiteral("up"), layout.upButton.size()},
            {QStringLiteral("find"), layout.findButton.size()},
            {QStringLiteral("jump"), layout.jumpButton.size()},
            {QStringLiteral("full"), layout.fullButton.size()},
            {QStringLiteral("flash"), layout.flashButton.size()},
        };
    }();
    if (fullScreen && full.contains(objectName))
        return full.value(objectName);
    return window.value(objectName, QSize(90, 36));
}

QImage renderedRule(const SheetRule &rule, bool fullScreen)
{
    if (rule.widgetClass == u"QLabel") {
        QLabel label;
        label.setObjectName(rule.objectName);
        label.resize(Layout::windowSize);
        label.ensurePolished();
        return label.grab().toImage();
    }
    QPushButton plain;
    HoveredButton hovered;
    QPushButton &button = rule.state == u"hover" ? hovered : plain;
    button.setObjectName(rule.objectName);
    button.setFocusPolicy(Qt::NoFocus);
    button.resize(buttonSize(rule.objectName, fullScreen));
    if (rule.state == u"pressed")
        button.setDown(true);
    button.ensurePolished();
    return button.grab().toImage();
}
