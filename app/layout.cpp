#include "app/layout.h"

#include <algorithm>

namespace Layout {

QPoint windowPosition(QSize desktop)
{
    // The window has no frame to drag it by, so a corner placed off the desktop could never be
    // brought back: on a desktop too small for it, its top-left corner stays on the desktop.
    return {std::max((desktop.width() - windowSize.width()) / 2, 0),
            std::max((desktop.height() - windowSize.height()) / 2 - 10, 0)};
}

QRect centredPanel(QSize window)
{
    return {(window.width() - windowSize.width()) / 2, (window.height() - windowSize.height()) / 2,
            windowSize.width(), windowSize.height()};
}

FullScreen fullScreen(QSize desktop)
{
    constexpr QSize fullPage{1139, 726};
    const int available = desktop.height() - 150;
    const QSize area(std::min(available * 910 / 580, fullPage.width()) + 2,
                     std::min(available, fullPage.height()) + 2);

    const int middle = desktop.width() / 2;
    const int row = desktop.height() - 100;
    const auto rowButton = [row](int x) { return QRect(x, row, 68, 45); };

    FullScreen layout;
    layout.pageArea = QRect(QPoint((desktop.width() - area.width()) / 2, 50), area);
    layout.pageView = fullPage;
    layout.nextButton = QRect(desktop.width() - 100, 50, 64, 30);
    layout.upButton = QRect(50, 50, 64, 30);
    layout.jumpButton = rowButton(middle - 34);
    layout.directoryButton = rowButton(middle - 134);
    layout.fullButton = rowButton(middle - 234);
    layout.findButton = rowButton(middle + 64);
    layout.flashButton = rowButton(middle + 164);
    layout.flash2Button = rowButton(middle + 264);
    return layout;
}

} // namespace Layout
