// The manual's zanfo-dump section shows what zanfo-dump prints: every
// `console` block there is run again, on the programs of the section's
// `zan` blocks (NAME.zan, and NAME.mic as zanfo assembles it, by the name
// after PROGRAM), and must print exactly what the block shows.  A command
// may end in "| head -n N".
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assemble.h"
#include "dump.h"

namespace {

struct Block {
    std::string tag;   // what follows the opening ```
    std::string body;  // its lines, each with its line end
};

std::vector<Block> FencedBlocks(const std::string &text) {
    std::vector<Block> blocks;
    std::istringstream in(text);
    std::string line;
    Block *open = nullptr;
    while (std::getline(in, line)) {
        if (line.compare(0, 3, "```") == 0) {
            if (open) {
                open = nullptr;
            } else {
                blocks.push_back({line.substr(3), ""});
                open = &blocks.back();
            }
        } else if (open) {
            open->body += line + "\n";
        }
    }
    return blocks;
}

TEST(DumpDocs, TheManualShowsWhatZanfoDumpPrints) {
    std::ifstream in(std::string(ZANFO_DOCS_DIR) + "/manual.md");
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string manual = whole.str();
    const size_t section = manual.find("\n## 15. Reading microcode back: zanfo-dump");
    ASSERT_NE(section, std::string::npos);
    std::map<std::string, std::string> files;
    int commands = 0;
    for (const Block &block : FencedBlocks(manual.substr(section))) {
        if (block.tag == "zan") {
            std::istringstream words(block.body.substr(block.body.find("PROGRAM") + 7));
            std::string name;
            words >> name;
            files[name + ".zan"] = block.body;
            files[name + ".mic"] = AssembleText(block.body).mic;
            continue;
        }
        if (block.tag != "console")
            continue;
        ++commands;
        const size_t end = block.body.find('\n');
        std::istringstream command(block.body.substr(0, end));
        std::string word;
        std::vector<std::string> args;
        size_t head = std::string::npos;
        command >> word >> word;  // "$ zanfo-dump"
        while (command >> word) {
            if (word == "|") {
                command >> word >> word >> head;  // "head -n N"
                break;
            }
            args.push_back(word);
        }
        DumpRun run = RunDump(args, [&files](const std::string &name, size_t, std::string *text, int *) {
            *text = files[name];
            return true;
        });
        std::string shown = run.out;
        for (size_t pos = 0, lines = 0; pos < shown.size(); ++pos)
            if (shown[pos] == '\n' && ++lines == head) {
                shown.resize(pos + 1);
                break;
            }
        EXPECT_EQ(shown, block.body.substr(end + 1)) << block.body.substr(0, end);
    }
    EXPECT_GE(commands, 5);
}

}  // namespace
