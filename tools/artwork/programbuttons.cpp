#include "programbuttons.h"

#include "content/layout.h"

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
// their size on any desktop.
QSize buttonSize(const QString &objectName, bool fullScreen)
{
    for (const Layout::ButtonPlace &button : Layout::buttons) {
        if (button.objectName != objectName)
            continue;
        return fullScreen && button.anchor != Layout::Anchor::Hidden ? button.fullScreen.size()
                                                                     : button.window.size();
    }
    // The practice view's buttons.
    return {90, 36};
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
