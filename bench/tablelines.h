#pragma once

#include "samples.h"

#include <QByteArray>
#include <QString>
#include <cstdio>

// The pieces every table of the bench is printed with.

// "median (min-max)", with one decimal unless told otherwise.
inline QByteArray spread(const Samples &samples, int decimals = 1)
{
    return QString::asprintf("%.*f (%.*f-%.*f)", decimals, samples.median(), decimals,
                             samples.min(), decimals, samples.max())
        .toLatin1();
}

// One goal: what is measured, this run's value, the limit, and whether the value is within it.
inline void printGoal(const char *goal, double value, const char *unit, double limit)
{
    std::printf("%-52s %9.2f%-3s (at most %g%s)  %s\n", goal, value, unit, limit, unit,
                value <= limit ? "met" : "MISSED");
}
