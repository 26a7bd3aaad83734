// Helpers shared by the tests.
#pragma once

#include "support/assert.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// Thrown by the tests' assertion handler in place of aborting.
struct AssertionStop : std::runtime_error {
    std::string expr, func, unit;
    int line;
    AssertionStop(const char* e, const char* f, const char* u, int l)
        : std::runtime_error(std::string(e) + " in " + f + " (" + u + ":" + std::to_string(l) + ")"),
          expr(e), func(f), unit(u), line(l) {}
};

inline void TEST_ThrowingAssertHandler(const char* expr, const char* func, const char* unit, int line)
{
    throw AssertionStop(expr, func, unit, line);
}

// Runs body and returns the assertion stop it ended in; fails the test if it did not stop.
template <class F>
AssertionStop TEST_ExpectStop(F body)
{
    try {
        body();
    } catch (const AssertionStop& stop) {
        return stop;
    }
    ADD_FAILURE() << "expected an assertion stop";
    return AssertionStop("", "", "", 0);
}
