#include "command_docs.h"

#include <iostream>
#include <vector>

namespace rfcard {

namespace {

// One command of the tree: the program itself has the empty path.
struct Command {
    std::vector<std::string> path;
    const CLI::App *app = nullptr;
    std::vector<const CLI::Option *> options;    // its own, as --help lists them
    std::vector<const CLI::Option *> inherited;  // its parents', which it takes too
    std::vector<const CLI::Option *> positionals;
    std::vector<const CLI::App *> subcommands;
};

bool shown(const CLI::Option *option) { return !option->get_group().empty(); }

void walk(const CLI::App &app, std::vector<std::string> path,
          std::vector<const CLI::Option *> inherited, std::vector<Command> &commands) {
    Command command;
    command.path = std::move(path);
    command.app = &app;
    command.inherited = std::move(inherited);
    for (const CLI::Option *option : app.get_options()) {
        if (!shown(option)) continue;
        (option->nonpositional() ? command.options : command.positionals).push_back(option);
    }
    for (const CLI::App *sub : app.get_subcommands([](const CLI::App *) { return true; })) {
        if (!sub->get_group().empty()) command.subcommands.push_back(sub);
    }
    commands.push_back(command);
    for (const CLI::App *sub : command.subcommands) {
        std::vector<std::string> sub_path = command.path;
        sub_path.push_back(sub->get_name());
        // A subcommand that falls through takes its parents' options.
        std::vector<const CLI::Option *> passed;
        if (sub->get_fallthrough()) {
            passed = command.inherited;
            for (const CLI::Option *option : command.options) {
                if (option != app.get_help_ptr()) passed.push_back(option);
            }
        }
        walk(*sub, std::move(sub_path), std::move(passed), commands);
    }
}

std::vector<Command> commands_of(const CLI::App &app) {
    std::vector<Command> commands;
    walk(app, {}, {}, commands);
    return commands;
}

std::string joined(const std::vector<std::string> &words, const std::string &separator = " ") {
    std::string text;
    for (const std::string &word : words) text += (text.empty() ? "" : separator) + word;
    return text;
}

// "-k", "--keys"
std::vector<std::string> option_names(const CLI::Option *option) {
    std::vector<std::string> names;
    for (const std::string &name : option->get_snames()) names.push_back("-" + name);
    for (const std::string &name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

bool takes_value(const CLI::Option *option) { return option->get_type_size_max() > 0; }

// "INT:INT in [1 - 16]" is a value named INT, checked as INT in [1 - 16].
std::string value_name(const CLI::Option *option) {
    const std::string type = option->get_type_name();
    if (type.find("FILE") != std::string::npos) return "FILE";
    return type.substr(0, type.find(':'));
}

std::string value_check(const CLI::Option *option) {
    const std::string type = option->get_type_name();
    const auto colon = type.find(':');
    if (colon == std::string::npos || type.find("FILE") != std::string::npos) return {};
    return type.substr(colon + 1);
}

// CLI11's "{a,b,c}" and "INT in [1 - 16]" as a sentence.
std::string check_in_words(const std::string &check) {
    if (check.size() > 2 && check.front() == '{' && check.back() == '}') {
        std::string values = check.substr(1, check.size() - 2);
        std::string text;
        for (const char c : values) text += c == ',' ? std::string(", ") : std::string(1, c);
        return "One of " + text + ".";
    }
    const auto open = check.find("in [");
    const auto dash = check.find(" - ", open);
    if (open != std::string::npos && dash != std::string::npos && check.back() == ']') {
        return "From " + check.substr(open + 4, dash - open - 4) + " to " +
               check.substr(dash + 3, check.size() - dash - 4) + ".";
    }
    return check + ".";
}

// Text set as roff: backslashes kept, no line read as a request.
std::string roff_text(const std::string &text) {
    std::string out;
    bool line_start = true;
    for (const char c : text) {
        if (line_start && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') {
            out += "\\e";
        } else {
            out += c;
        }
        line_start = c == '\n';
    }
    return out;
}

// Option names and the like: their hyphens are minus signs.
std::string roff_literal(const std::string &text) {
    std::string out;
    for (const char c : roff_text(text)) {
        if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

std::string sentence(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
    return text;
}

void man_option(std::ostream &out, const CLI::Option *option) {
    std::vector<std::string> names;
    for (const std::string &name : option_names(option)) {
        names.push_back("\\fB" + roff_literal(name) + "\\fR");
    }
    out << ".TP\n" << joined(names, ", ");
    if (takes_value(option)) out << " \\fI" << roff_literal(value_name(option)) << "\\fR";
    out << "\n" << roff_text(sentence(option->get_description()));
    if (const std::string check = value_check(option); !check.empty()) {
        out << " " << roff_text(check_in_words(check));
    }
    if (!option->get_default_str().empty()) {
        out << " Default: " << roff_text(option->get_default_str()) << ".";
    }
    if (option->get_expected_max() > 1) out << " May be given more than once.";
    out << "\n";
}

std::string synopsis(const std::string &program, const Command &command) {
    std::vector<std::string> words = command.path;
    words.insert(words.begin(), program);
    std::string text = "\\fB" + roff_literal(joined(words)) + "\\fR";
    if (!command.options.empty() || !command.inherited.empty()) text += " [\\fIOPTIONS\\fR]";
    for (const CLI::Option *positional : command.positionals) {
        const std::string name = "\\fI" + roff_literal(positional->get_name()) + "\\fR" +
                                 (positional->get_expected_max() > 1 ? " ..." : "");
        text += positional->get_required() ? " " + name : " [" + name + "]";
    }
    if (!command.subcommands.empty()) text += " \\fICOMMAND\\fR";
    return text;
}

std::vector<std::string> subcommand_names(const Command &command);

// "Commands: \fBdump\fR, \fBrestore\fR."; nothing for a command without any.
void man_command_list(std::ostream &out, const Command &command) {
    if (command.subcommands.empty()) return;
    std::vector<std::string> names;
    for (const std::string &name : subcommand_names(command)) {
        names.push_back("\\fB" + roff_literal(name) + "\\fR");
    }
    out << "Commands: " << joined(names, ", ") << ".\n.br\n";
}

// The footer's first line names its section when it ends in a colon.
void man_footer(std::ostream &out, const std::string &footer) {
    if (footer.empty()) return;
    std::string heading = "NOTES";
    std::string body = footer;
    const auto end_of_line = footer.find('\n');
    const std::string first = footer.substr(0, end_of_line);
    if (!first.empty() && first.back() == ':' && end_of_line != std::string::npos) {
        heading = first.substr(0, first.size() - 1);
        for (char &c : heading) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        body = footer.substr(end_of_line + 1);
    }
    out << ".SH \"" << heading << "\"\n.nf\n" << roff_text(body) << "\n.fi\n";
}

// The key of a command in the completions' tables: "rfcard mf dump" (bash's
// tables take no empty key).
std::string table_key(const std::string &program, const Command &command) {
    std::vector<std::string> words = command.path;
    words.insert(words.begin(), program);
    return "'" + joined(words) + "'";
}

// Shell words of a table: 'a b c'.
std::string shell_words(const std::vector<std::string> &words) { return "'" + joined(words) + "'"; }

std::vector<std::string> subcommand_names(const Command &command) {
    std::vector<std::string> names;
    for (const CLI::App *sub : command.subcommands) names.push_back(sub->get_name());
    return names;
}

std::vector<const CLI::Option *> all_options(const Command &command) {
    std::vector<const CLI::Option *> options = command.options;
    options.insert(options.end(), command.inherited.begin(), command.inherited.end());
    return options;
}

std::vector<std::string> valued_names(const std::vector<Command> &commands) {
    std::vector<std::string> names;
    for (const Command &command : commands) {
        for (const CLI::Option *option : command.options) {
            if (!takes_value(option)) continue;
            for (const std::string &name : option_names(option)) {
                if (std::find(names.begin(), names.end(), name) == names.end()) {
                    names.push_back(name);
                }
            }
        }
    }
    return names;
}

// zsh's _describe entries: "name:what it is", colons in names escaped.
std::string zsh_entry(const std::string &name, const std::string &description) {
    std::string entry;
    for (const char c : name) {
        if (c == ':') entry += '\\';
        entry += c;
    }
    entry += ':';
    for (const char c : description) entry += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return entry;
}

}  // namespace

void add_document_option(CLI::App &app, const std::string &version) {
    app.add_option_function<std::string>(
           "--document",
           [&app, version](const std::string &kind) {
               if (kind == "man") {
                   write_man_page(std::cout, app, version);
               } else if (kind == "bash") {
                   write_bash_completion(std::cout, app);
               } else {
                   write_zsh_completion(std::cout, app);
               }
               std::cout.flush();
               throw CLI::Success();
           },
           "write the man page or a shell's completion")
        ->check(CLI::IsMember({"man", "bash", "zsh"}))
        ->trigger_on_parse()
        ->group("");
}

void write_man_page(std::ostream &out, const CLI::App &app, const std::string &version) {
    const std::string program = app.get_name();
    const std::vector<Command> commands = commands_of(app);
    std::string upper = program;
    for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string summary = app.get_description();
    if (!summary.empty() && summary.back() == '.') summary.pop_back();
    if (!summary.empty()) summary[0] = static_cast<char>(std::tolower(summary[0]));

    out << ".\\\" Generated by `" << program << " --document man` from its command line.\n"
        << ".TH " << upper << " 1 \"\" \"" << roff_literal(program + " " + version)
        << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << roff_literal(program) << " \\- " << roff_text(summary) << "\n"
        << ".SH SYNOPSIS\n"
        << synopsis(program, commands.front()) << " [\\fIARGUMENTS\\fR]\n"
        << ".SH DESCRIPTION\n"
        << roff_text(app.get_description()) << "\n";
    out << ".SH OPTIONS\n";
    for (const CLI::Option *option : commands.front().options) man_option(out, option);
    out << ".SH COMMANDS\n";
    man_command_list(out, commands.front());
    out << "The options above may follow any command.\n";
    for (std::size_t i = 1; i < commands.size(); ++i) {
        const Command &command = commands[i];
        out << ".SS \"" << synopsis(program, command) << "\"\n"
            << roff_text(sentence(command.app->get_description())) << "\n";
        if (!command.subcommands.empty()) out << ".br\n";
        man_command_list(out, command);
        for (const CLI::Option *positional : command.positionals) {
            out << ".TP\n\\fI" << roff_literal(positional->get_name()) << "\\fR\n"
                << roff_text(sentence(positional->get_description())) << "\n";
        }
        for (const CLI::Option *option : command.options) {
            if (option != command.app->get_help_ptr()) man_option(out, option);
        }
    }
    man_footer(out, app.get_footer());
    out << ".SH \"SEE ALSO\"\n"
        << ".BR tilvane (1),\n"
        << ".BR reader\\-sim (1)\n";
}

void write_bash_completion(std::ostream &out, const CLI::App &app) {
    const std::string program = app.get_name();
    const std::vector<Command> commands = commands_of(app);
    out << "# bash completion for " << program << ", generated by `" << program
        << " --document bash` from its command line.\n"
        << "_" << program << "() {\n"
        << "    local -A commands=(\n";
    for (const Command &command : commands) {
        if (command.subcommands.empty()) continue;
        out << "        [" << table_key(program, command) << "]="
            << shell_words(subcommand_names(command)) << "\n";
    }
    out << "    )\n"
        << "    local -A options=(\n";
    for (const Command &command : commands) {
        std::vector<std::string> names;
        for (const CLI::Option *option : all_options(command)) {
            for (const std::string &name : option_names(option)) names.push_back(name);
        }
        out << "        [" << table_key(program, command) << "]=" << shell_words(names)
            << "\n";
    }
    out << "    )\n"
        << "    local -A arguments=(\n";
    for (const Command &command : commands) {
        if (!command.positionals.empty()) {
            out << "        [" << table_key(program, command) << "]=1\n";
        }
    }
    out << "    )\n"
        << "    local valued=" << shell_words(valued_names(commands)) << "\n"
        << R"(    local cur=${COMP_WORDS[COMP_CWORD]} command_path=${COMP_WORDS[0]##*/} word i
    # The command so far: its words up to the one completed, values skipped.
    for (( i = 1; i < COMP_CWORD; i++ )); do
        word=${COMP_WORDS[i]}
        if [[ " $valued " == *" $word "* ]]; then
            if (( i + 1 == COMP_CWORD )); then
                compopt -o filenames 2>/dev/null
                COMPREPLY=( $(compgen -f -- "$cur") )
                return
            fi
            (( i++ ))
        elif [[ -n ${commands[$command_path]+set} && " ${commands[$command_path]} " == *" $word "* ]]; then
            command_path="$command_path $word"
        fi
    done
    if [[ $cur == -* ]]; then
        COMPREPLY=( $(compgen -W "${options[$command_path]}" -- "$cur") )
    elif [[ -n ${commands[$command_path]+set} ]]; then
        COMPREPLY=( $(compgen -W "${commands[$command_path]}" -- "$cur") )
    elif [[ -n ${arguments[$command_path]+set} ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=( $(compgen -f -- "$cur") )
    fi
}
)" << "complete -F _" << program << " " << program << "\n";
}

void write_zsh_completion(std::ostream &out, const CLI::App &app) {
    const std::string program = app.get_name();
    const std::vector<Command> commands = commands_of(app);
    out << "#compdef " << program << "\n"
        << "# zsh completion for " << program << ", generated by `" << program
        << " --document zsh` from its command line.\n"
        << "local -A subcommands option_names arguments\n";
    for (const Command &command : commands) {
        const std::string key = table_key(program, command);
        if (!command.subcommands.empty()) {
            std::vector<std::string> entries;
            for (const CLI::App *sub : command.subcommands) {
                entries.push_back(zsh_entry(sub->get_name(), sub->get_description()));
            }
            out << "subcommands+=(" << key << " '" << joined(entries, "\n") << "')\n";
        }
        std::vector<std::string> entries;
        for (const CLI::Option *option : all_options(command)) {
            for (const std::string &name : option_names(option)) {
                entries.push_back(zsh_entry(name, option->get_description()));
            }
        }
        out << "option_names+=(" << key << " '" << joined(entries, "\n") << "')\n";
        if (!command.positionals.empty()) out << "arguments+=(" << key << " 1)\n";
    }
    out << "local valued=" << shell_words(valued_names(commands)) << "\n"
        << R"(local command_path=${words[1]##*/} word i
local -a entries
for (( i = 2; i < CURRENT; i++ )); do
    word=${words[i]}
    if [[ " $valued " == *" $word "* ]]; then
        if (( i + 1 == CURRENT )); then
            _files
            return
        fi
        (( i++ ))
    elif (( ${+subcommands[$command_path]} )) &&
        [[ $'\n'${subcommands[$command_path]}$'\n' == *$'\n'$word:* ]]; then
        command_path="$command_path $word"
    fi
done
if [[ $PREFIX == -* ]]; then
    entries=( ${(f)option_names[$command_path]} )
    _describe -t options option entries
elif (( ${+subcommands[$command_path]} )); then
    entries=( ${(f)subcommands[$command_path]} )
    _describe -t commands command entries
elif (( ${+arguments[$command_path]} )); then
    _files
fi
)";
}

}  // namespace rfcard
