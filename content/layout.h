#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>

// Geometry of the main window. Fixed places are constants; what depends on the desktop is a
// pure function of the desktop size, so any screen can be tried without one.
namespace Layout {

inline constexpr QSize windowSize{1100, 723};

// Window mode, relative to the main window.
inline constexpr QRect pageArea{130, 95, 912, 582};
inline constexpr QRect pageView{130, 95, 910, 580};
// The page view in full-screen mode, whatever the desktop.
inline constexpr QSize fullScreenPageView{1139, 726};
inline constexpr QRect face{0, 0, 1100, 723};

// The image buttons of the main window, in the order they are stacked.
enum class ButtonId {
    Directory,
    Up,
    Next,
    Qut,
    Find,
    Jump,
    Full,
    Word,
    Flash,
    Flash2,
    ReadOn,
    Repeat,
    SayAfter
};

// The point of the desktop a button's full-screen rectangle is given from; the buttons
// without one are hidden in full-screen mode.
enum class Anchor { Hidden, TopLeft, TopRight, BottomCentre };

struct ButtonPlace
{
    // What the style sheets select the button by; the two animation buttons share theirs.
    QStringView objectName;
    QRect window; // relative to the main window
    Anchor anchor;
    QRect fullScreen; // relative to the anchor
};

// Indexed by ButtonId.
// The reading helps stand above the page at the right in the window; in full-screen mode they
// stand left of the bottom row, a little lower, so that on a desktop 768 pixels high they
// clear the page, which reaches the top of that row there.
inline constexpr std::array<ButtonPlace, 13> buttons{{
    {u"directory", {23, 426, 60, 28}, Anchor::BottomCentre, {-134, -100, 68, 45}},
    {u"up", {6, 470, 78, 31}, Anchor::TopLeft, {50, 50, 64, 30}},
    {u"next", {9, 524, 89, 32}, Anchor::TopRight, {-100, 50, 64, 30}},
    {u"qut", {8, 573, 64, 33}, Anchor::Hidden, {}},
    {u"find", {635, 676, 90, 36}, Anchor::BottomCentre, {64, -100, 68, 45}},
    {u"jump", {488, 677, 90, 36}, Anchor::BottomCentre, {-34, -100, 68, 45}},
    {u"full", {220, 677, 90, 36}, Anchor::BottomCentre, {-234, -100, 68, 45}},
    {u"word", {350, 677, 90, 36}, Anchor::Hidden, {}},
    {u"flash", {770, 677, 90, 36}, Anchor::BottomCentre, {164, -100, 68, 45}},
    {u"flash", {900, 677, 90, 36}, Anchor::BottomCentre, {264, -100, 68, 45}},
    {u"readon", {650, 48, 90, 36}, Anchor::BottomCentre, {-470, -96, 68, 45}},
    {u"repeat", {750, 48, 90, 36}, Anchor::BottomCentre, {-394, -96, 68, 45}},
    {u"sayafter", {850, 48, 90, 36}, Anchor::BottomCentre, {-318, -96, 68, 45}},
}};

constexpr const ButtonPlace &button(ButtonId id)
{
    return buttons[static_cast<std::size_t>(id)];
}

// Where the button stands in full-screen mode on a desktop of this size; nothing for a button
// hidden there.
std::optional<QRect> fullScreenPlace(const ButtonPlace &button, QSize desktop);

// Where the frameless window first stands on a desktop of this size (what the screen leaves
// free of panels): centred, 10 pixels above the desktop's centre, but never with its top-left
// corner off the desktop.
QPoint windowPosition(QSize desktop);

// Where a window standing at `window` goes when what the screen leaves free of panels becomes
// `available` (a panel added, the resolution or the screen changed): where it fits, the least
// move that brings it wholly inside; where it does not, its top-left corner on the free area,
// so that the frameless window's top and left stay reachable.
QPoint keptInside(QRect window, QRect available);

// The 1100 x 723 panel (background label, word view) centred in a window of this size.
QRect centredPanel(QSize window);

// Full-screen mode: the page area keeps the 910 : 580 proportion up to the full-size page.
// (The page buttons sit in the top corners and the rest form a row near the bottom, as the
// button table says.)
struct FullScreen
{
    QRect pageArea;
    QSize pageView; // always fullScreenPageView
};

FullScreen fullScreen(QSize desktop);

} // namespace Layout
