#include "content/layout.h"

#include <algorithm>

namespace Layout {

QPoint windowPosition(QSize desktop)
{
    // The window has no frame to drag it by, so a corner placed off the desktop could never be
    // brought back: on a desktop too small for it, its top-left corner stays on the desktop.
    return {std::max((desktop.width() - windowSize.width()) / 2, 0),
            std::max((desktop.height() - windowSize.height()) / 2 - 10, 0)};
}

QPoint keptInside(QRect window, QRect available)
{
    const auto axis = [](int at, int length, int from, int room) {
        return std::max(std::min(at, from + room - length), from);
    };
    return {axis(window.x(), window.width(), available.x(), available.width()),
            axis(window.y(), window.height(), available.y(), available.height())};
}

QRect centredPanel(QSize window)
{
    return {(window.width() - windowSize.width()) / 2, (window.height() - windowSize.height()) / 2,
            windowSize.width(), windowSize.height()};
}

FullScreen fullScreen(QSize desktop)
{
    const int available = desktop.height() - 150;
    const QSize area(std::min(available * 910 / 580, fullScreenPageView.width()) + 2,
                     std::min(available, fullScreenPageView.height()) + 2);

    return {QRect(QPoint((desktop.width() - area.width()) / 2, 50), area), fullScreenPageView};
}

std::optional<QRect> fullScreenPlace(const ButtonPlace &button, QSize desktop)
{
    switch (button.anchor) {
    case Anchor::Hidden:
        return std::nullopt;
    case Anchor::TopLeft:
        return button.fullScreen;
    case Anchor::TopRight:
        return button.fullScreen.translated(desktop.width(), 0);
    case Anchor::BottomCentre:
        return button.fullScreen.translated(desktop.width() / 2, desktop.height());
    }
    return std::nullopt;
}

} // namespace Layout
