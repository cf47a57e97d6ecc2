// Expected stdout fragments shared by the end-to-end tests.
#pragma once

#include <string>

namespace ossify_test {

inline const std::string banner = "\n-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+\n"
                                  " MQO convertion tool ver. 0.01 for MDM\n"
                                  "-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+-+\n\n";
inline const std::string all_done = "\n\n --- All done ---\n\n";

inline std::string running_mode(int mode) {
    return "Running MODE(" + std::to_string(mode) + ")\n";
}

// The lines before a file is written, and after them the success line.
inline std::string saving(const std::string& path) {
    return "\n------------------------------\n Exporting File \n"
           "------------------------------\n\nSaving Data ( " +
           path + " )...";
}
inline std::string exporting(const std::string& path, long bytes) {
    return saving(path) + "Done...[" + std::to_string(bytes) + "bytes]\n";
}

} // namespace ossify_test
