// Runs a function and returns what it printed to standard output.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace ossify_test {

std::string capture_stdout(const std::function<void()>& body);

} // namespace ossify_test
