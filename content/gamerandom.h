#pragma once

#include <QTime>

#include <functional>

// Where the game reads the time of day; tests hand in a fixed one.
using Clock = std::function<QTime()>;

// Every random choice of the find-it game seeds a fresh generator from the second and
// millisecond of the time of day and takes its first number, so two choices made within one
// millisecond draw the same raw number.
quint32 firstRandom(QTime timeOfDay);

// The raw number for this time of day reduced to 0 .. n-1; 0 when there is nothing to choose.
int randomBelow(int n, QTime timeOfDay);
