#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Geometry of the main window. Fixed places are constants; what depends on the desktop is a
// pure function of the desktop size, so any screen can be tried without one.
namespace Layout {

inline constexpr QSize windowSize{1100, 723};

// Window mode, relative to the main window.
inline constexpr QRect pageArea{130, 95, 912, 582};
inline constexpr QRect pageView{130, 95, 910, 580};
inline constexpr QRect face{0, 0, 1100, 723};
inline constexpr QRect directoryButton{23, 426, 60, 28};
inline constexpr QRect qutButton{8, 573, 64, 33};
inline constexpr QRect nextButton{9, 524, 89, 32};
inline constexpr QRect upButton{6, 470, 78, 31};
inline constexpr QRect findButton{635, 676, 90, 36};
inline constexpr QRect jumpButton{488, 677, 90, 36};
inline constexpr QRect fullButton{220, 677, 90, 36};
inline constexpr QRect wordButton{350, 677, 90, 36};
inline constexpr QRect flashButton{770, 677, 90, 36};
inline constexpr QRect flash2Button{900, 677, 90, 36};

// Where the frameless window first stands: centred, 10 pixels above the desktop's centre, but
// never with its top-left corner off the desktop.
QPoint windowPosition(QSize desktop);

// The 1100 x 723 panel (background label, word view) centred in a window of this size.
QRect centredPanel(QSize window);

// Full-screen mode: the page area keeps the 910 : 580 proportion up to the full-size page,
// the page buttons sit in the top corners and the rest form a row near the bottom.
struct FullScreen
{
    QRect pageArea;
    QSize pageView;
    QRect nextButton;
    QRect upButton;
    QRect jumpButton;
    QRect directoryButton;
    QRect fullButton;
    QRect findButton;
    QRect flashButton;
    QRect flash2Button;
};

FullScreen fullScreen(QSize desktop);

} // namespace Layout
