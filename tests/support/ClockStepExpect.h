#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

// Expects measure(step), a duration in seconds taken while the time of day is stepped by
// step seconds, to lie in [least, most) for every step: a stepped clock must neither cut an
// interval short nor stretch it.
template <typename Measure>
void expectDurationKept(Measure measure, std::initializer_list<double> steps, double least,
                        double most)
{
    for (double step : steps) {
        SCOPED_TRACE(step);
        const double took = measure(step);
        EXPECT_GE(took, least);
        EXPECT_LT(took, most);
    }
}
