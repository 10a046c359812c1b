// What the tests of zanfo-sim's library share: its output caught in
// strings, and files held in memory.
#ifndef ZANFO_TESTS_SIM_HELPERS_H
#define ZANFO_TESTS_SIM_HELPERS_H

#include <map>
#include <string>

#include "sim.h"

// Standard output and error, and the files written, of one run.
class Captured : public SimOutput {
  public:
    void Out(const std::string &text) override { out += text; }
    void Err(const std::string &text) override { err += text; }
    bool File(const std::string &name, const std::string &bytes, std::string *) override {
        files[name] = bytes;
        return true;
    }
    std::string out, err;                       // what was printed
    std::map<std::string, std::string> files;  // written, by name
};

using Files = std::map<std::string, std::string>;

// A reader of `files` (which must outlive it), as zanfo-sim reads the disk.
inline FileReader Reader(const Files &files) {
    return [&files](const std::string &name, std::string *text, std::string *error) {
        auto it = files.find(name);
        if (it == files.end()) {
            *error = "No such file or directory";
            return false;
        }
        *text = it->second;
        return true;
    };
}

#endif
