#include "content/gamerandom.h"

#include <random>

quint32 firstRandom(QTime timeOfDay)
{
    const int seed = timeOfDay.second() * 1000 + timeOfDay.msec();
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(seed));
    return static_cast<quint32>(generator());
}

int randomBelow(int n, QTime timeOfDay)
{
    if (n <= 0)
        return 0;
    return static_cast<int>(firstRandom(timeOfDay) % static_cast<quint32>(n));
}
