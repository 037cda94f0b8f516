// rfcard's man page and bash completion against its own --help, command by
// command: every command and option that --help lists is in the man page's
// section of that command and is what bash completes there. Nothing here lists
// the commands, so a command added to rfcard is checked without an edit.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "program_run.h"

namespace {

using Words = std::set<std::string>;

struct Listing {
    Words subcommands;
    Words options;
};

std::string rfcard_program() { return TILVANE_BIN_DIR "/rfcard"; }

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

std::string joined(const std::vector<std::string> &words) {
    std::string text;
    for (const auto &word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// What `rfcard PATH --help` lists: its subcommands and its options' names.
Listing help_of(const std::vector<std::string> &path) {
    std::vector<std::string> arguments = path;
    arguments.push_back("--help");
    const auto run = test_support::run_program(rfcard_program(), arguments);
    EXPECT_EQ(run.status, 0) << joined(path) << run.err;
    Listing listing;
    std::string section;
    for (const std::string &line : split(run.out, '\n')) {
        if (!line.empty() && line[0] != ' ') {
            section = line;
            continue;
        }
        if (line.size() < 3 || line[2] == ' ') continue;  // a description's own line
        const std::string first = line.substr(2, line.find(' ', 2) - 2);
        if (section == "Subcommands:") listing.subcommands.insert(first);
        if (section == "Options:") {
            for (const std::string &name : split(first, ',')) listing.options.insert(name);
        }
    }
    return listing;
}

// Every command of rfcard by its path, with the options it takes: its own and
// those of the commands above it (rfcard's options follow any command), less
// their --help.
std::map<std::vector<std::string>, Listing> command_tree() {
    std::map<std::vector<std::string>, Listing> tree;
    std::vector<std::pair<std::vector<std::string>, Words>> pending = {{{}, {}}};
    while (!pending.empty()) {
        auto [path, inherited] = pending.back();
        pending.pop_back();
        Listing listing = help_of(path);
        Words passed = inherited;
        for (const auto &option : listing.options) {
            if (option != "-h" && option != "--help") passed.insert(option);
        }
        listing.options.insert(inherited.begin(), inherited.end());
        for (const auto &sub : listing.subcommands) {
            auto sub_path = path;
            sub_path.push_back(sub);
            pending.push_back({sub_path, passed});
        }
        tree[path] = listing;
    }
    return tree;
}

std::string document(const std::string &kind) {
    const auto run = test_support::run_program(rfcard_program(), {"--document", kind});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

std::string roff_literal(const std::string &text) {
    std::string out;
    for (const char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

TEST(RfcardDocuments, BashCompletesEveryCommandAndOptionWhereHelpListsThem) {
    const auto tree = command_tree();
    ASSERT_GT(tree.size(), 1u);
    const std::string completion = ::testing::TempDir() + "rfcard-completion.bash";
    std::ofstream(completion) << document("bash");

    // For each command: what bash offers for an empty word, then for "-".
    std::string script = "source '" + completion + "' || exit 1\n" +
                         "complete_at() { COMP_WORDS=(\"$@\"); COMP_CWORD=$(( $# - 1 )); "
                         "COMPREPLY=(); _rfcard 2>/dev/null; printf '%s\\n' \"${COMPREPLY[@]}\"; "
                         "echo '<end>'; }\n";
    for (const auto &[path, listing] : tree) {
        std::string words = "rfcard";
        for (const auto &word : path) words += " '" + word + "'";
        script += "complete_at " + words + " ''\ncomplete_at " + words + " -\n";
    }
    const auto run = test_support::run_program("/bin/bash", {"--norc", "-c", script});
    ASSERT_EQ(run.status, 0) << run.err;

    std::vector<Words> offers(1);
    for (const std::string &line : split(run.out, '\n')) {
        if (line == "<end>") {
            offers.emplace_back();
        } else if (!line.empty()) {
            offers.back().insert(line);
        }
    }
    std::size_t at = 0;
    for (const auto &[path, listing] : tree) {
        SCOPED_TRACE("rfcard " + joined(path));
        ASSERT_LT(at + 1, offers.size());
        // Commands where there are some; no command words after a leaf.
        if (!listing.subcommands.empty()) {
            EXPECT_EQ(offers[at], listing.subcommands);
        }
        EXPECT_EQ(offers[at + 1], listing.options);
        at += 2;
    }
}

TEST(RfcardDocuments, TheManPageHasASectionForEveryCommandWithItsOptions) {
    const auto tree = command_tree();
    const std::string page = document("man");
    ASSERT_EQ(page.rfind(".TH RFCARD 1", page.find('\n') + 1), page.find('\n') + 1);

    // The sections: the program's, up to the first command's; one per command (.SS).
    std::map<std::string, std::string> sections;
    std::string current = "rfcard";
    for (const std::string &line : split(page, '\n')) {
        if (line.rfind(".SS \"\\fB", 0) == 0) {
            const auto end = line.find("\\fR");
            current = line.substr(8, end - 8);
        }
        sections[current] += line + "\n";
    }
    for (const auto &[path, listing] : tree) {
        std::vector<std::string> words = {"rfcard"};
        words.insert(words.end(), path.begin(), path.end());
        const std::string name = roff_literal(joined(words));
        SCOPED_TRACE(name);
        ASSERT_TRUE(sections.count(name));
        for (const auto &sub : listing.subcommands) {
            EXPECT_NE(sections[name].find("\\fB" + roff_literal(sub) + "\\fR"), std::string::npos)
                << sub;
        }
        const Listing own = help_of(path);
        for (const auto &option : own.options) {
            if (option == "-h" || (option == "--help" && !path.empty())) continue;
            EXPECT_NE(sections[name].find("\\fB" + roff_literal(option) + "\\fR"),
                      std::string::npos)
                << option;
        }
    }
}

}  // namespace
