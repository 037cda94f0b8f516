#pragma once

// Documents written from rfcard's own command-line definition, so they cannot
// drift from it: the man page and the shell completions that the package
// installs. The build runs `rfcard --document man|bash|zsh`; the option is
// hidden from --help.

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace rfcard {

// Adds --document KIND to `app`: it writes the document of `app` (after every
// subcommand has been added) to standard output, and the program ends with
// status 0 before any command runs.
void add_document_option(CLI::App &app, const std::string &version);

void write_man_page(std::ostream &out, const CLI::App &app, const std::string &version);
void write_bash_completion(std::ostream &out, const CLI::App &app);
void write_zsh_completion(std::ostream &out, const CLI::App &app);

}  // namespace rfcard
