// Runs a function and returns what it printed to standard output.
#pragma once

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace ossify_test {

inline std::string capture_stdout(const std::function<void()>& body) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

} // namespace ossify_test
