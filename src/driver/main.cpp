#include <cstdio>

#include "driver/run_tool.hpp"

int main(int argc, char** argv) {
    const int status = ossify::run_tool(argc, argv);
    std::fflush(stdout);
    return status;
}
