// Build-time helper: writes the options of velmora-batch(1) and the bash
// completion from the very CLI11 app that answers --help, so neither can drift
// from the command line.
//   velmora_doc_tool man TEMPLATE OUT DATE   fills @VERSION@, @DATE@ and the
//                                            line @OPTIONS@ of TEMPLATE
//   velmora_doc_tool completion OUT
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/command_line.h"
#include "research/factors.h"
#include "research/split.h"
#include "research/version.h"

namespace {

using namespace velmora::batch;
using namespace velmora::research;

// The factors --vary accepts, offered by the completion after --vary.
std::vector<std::string> VaryFactorNames() {
    std::vector<std::string> names;
    for (const TFactor& factor : Factors()) {
        names.emplace_back(factor.Name);
    }
    return names;
}

struct TCommand {
    std::string Name;  // empty: the program itself
    std::string Description;
    std::vector<const CLI::Option*> Options;
};

// Options as --help lists them: hidden ones (no group) left out, those of
// option groups (nameless subcommands) folded in.
void CollectOptions(const CLI::App& app, std::vector<const CLI::Option*>& out) {
    for (const CLI::Option* option : app.get_options()) {
        if (!option->get_group().empty()) out.push_back(option);
    }
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->get_name().empty()) CollectOptions(*sub, out);
    }
}

std::vector<TCommand> Commands(const CLI::App& app) {
    std::vector<TCommand> commands(1);
    CollectOptions(app, commands[0].Options);
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->get_name().empty()) continue;
        TCommand command{sub->get_name(), sub->get_description(), {}};
        CollectOptions(*sub, command.Options);
        commands.push_back(command);
    }
    return commands;
}

bool TakesValue(const CLI::Option& option) { return option.get_items_expected_max() > 0; }

// ---- manual page ----

std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else if (c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
    }
    // A line starting with a dot or a quote would be read as a request.
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// Literal choices (a|b) in bold, placeholders (N, FILE) in italics.
std::string RoffValue(const std::string& typeName) {
    const std::vector<std::string> choices = SplitCopies(typeName, '|');
    if (choices.size() == 1) return "\\fI" + Roff(typeName) + "\\fR";
    std::string out;
    for (const std::string& choice : choices) {
        out += (out.empty() ? "" : "|") + ("\\fB" + Roff(choice) + "\\fR");
    }
    return out;
}

// grouped: each group of --help under a heading of its own.
void WriteManOptions(std::ostream& out, const std::vector<const CLI::Option*>& options,
                     bool grouped) {
    std::string group;
    for (const CLI::Option* option : options) {
        if (grouped && option->get_group() != group) {
            group = option->get_group();
            out << ".SS " << Roff(group) << "\n";
        }
        std::string names;
        if (option->nonpositional()) {
            for (const std::string& name : option->get_snames()) {
                names += (names.empty() ? "" : ", ") + ("\\fB\\-" + Roff(name) + "\\fR");
            }
            for (const std::string& name : option->get_lnames()) {
                names += (names.empty() ? "" : ", ") + ("\\fB\\-\\-" + Roff(name) + "\\fR");
            }
            if (TakesValue(*option)) names += " " + RoffValue(option->get_type_name());
        } else {
            names = RoffValue(option->get_type_name().empty() ? option->get_name()
                                                              : option->get_type_name());
        }
        out << ".TP\n" << names << "\n" << Roff(option->get_description()) << "\n";
    }
}

int WriteManPage(const CLI::App& app, const std::string& templatePath, const std::string& outPath,
                 const std::string& date) {
    std::ifstream in(templatePath);
    if (!in) {
        std::cerr << "velmora_doc_tool: cannot read " << templatePath << "\n";
        return 1;
    }
    std::ostringstream out;
    for (std::string line; std::getline(in, line);) {
        if (line == "@OPTIONS@") {
            const std::vector<TCommand> commands = Commands(app);
            out << ".SH OPTIONS\n";
            WriteManOptions(out, commands[0].Options, true);
            if (commands.size() > 1) out << ".SH COMMANDS\n";
            for (std::size_t i = 1; i < commands.size(); ++i) {
                out << ".SS " << Roff(commands[i].Name) << "\n"
                    << Roff(commands[i].Description) << "\n";
                WriteManOptions(out, commands[i].Options, false);
            }
            continue;
        }
        for (const auto& [key, value] :
             {std::pair<std::string, std::string>{"@VERSION@", Version()}, {"@DATE@", date}}) {
            for (std::size_t at; (at = line.find(key)) != std::string::npos;) {
                line.replace(at, key.size(), value);
            }
        }
        out << line << "\n";
    }
    std::ofstream file(outPath);
    file << out.str();
    return file ? 0 : 1;
}

// ---- bash completion ----

std::string Join(const std::vector<std::string>& words, const std::string& separator) {
    std::string out;
    for (const std::string& word : words) out += (out.empty() ? "" : separator) + word;
    return out;
}

std::string Words(const std::vector<std::string>& words) { return Join(words, " "); }

// The completion of an option's value, judged by its type name: a path where
// it names FILE or DIR (FILE.svg: such files), the choices of a|b|c.
std::string ValueCompletion(const CLI::Option& option) {
    const std::string type = option.get_type_name();
    if (option.check_lname("vary"))
        return "_velmora_batch_words '" + Words(VaryFactorNames()) + "'";
    if (type.find("DIR") != std::string::npos) return "_velmora_batch_paths -d";
    if (const std::size_t at = type.find("FILE"); at != std::string::npos) {
        const std::size_t dot = type.find('.', at);
        if (dot == std::string::npos) return "_velmora_batch_paths -f";
        const std::size_t end = type.find_first_not_of(
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", dot + 1);
        return "_velmora_batch_paths -f '" + type.substr(dot + 1, end - dot - 1) + "'";
    }
    if (type.find('|') != std::string::npos)
        return "_velmora_batch_words '" + Words(SplitCopies(type, '|')) + "'";
    return "";  // a number or free text
}

int WriteCompletion(const CLI::App& app, const std::string& outPath) {
    const std::vector<TCommand> commands = Commands(app);
    std::ostringstream out;
    out << R"(# bash completion for velmora-batch, written at build time from its command line.

_velmora_batch_words() { mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur"); }

# -d: directories; -f [EXT]: files (ending in .EXT) and directories.
_velmora_batch_paths() {
    compopt -o filenames 2>/dev/null
    if [[ $1 == -d ]]; then
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
    elif [[ -n ${2-} ]]; then
        mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X "!*.$2" -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}

_velmora_batch() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev="" command="" i
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # bash splits --option=value at the '='.
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
)";
    std::vector<std::string> names;
    for (std::size_t i = 1; i < commands.size(); ++i) names.push_back(commands[i].Name);
    if (!names.empty()) {
        out << "    for ((i = 1; i < COMP_CWORD; i++)); do\n        case ${COMP_WORDS[i]} in\n"
            << "        " << Join(names, "|") << ") command=${COMP_WORDS[i]} ;;\n"
            << "        esac\n    done\n";
    }
    out << R"(    COMPREPLY=()
    case $command:$prev in
)";
    std::vector<std::string> freeValues;  // options whose value has nothing to offer
    for (const TCommand& command : commands) {
        for (const CLI::Option* option : command.Options) {
            if (!option->nonpositional() || !TakesValue(*option)) continue;
            std::vector<std::string> patterns;
            for (const std::string& name : option->get_snames()) {
                patterns.push_back(command.Name + ":-" + name);
            }
            for (const std::string& name : option->get_lnames()) {
                patterns.push_back(command.Name + ":--" + name);
            }
            const std::string completion = ValueCompletion(*option);
            if (completion.empty()) {
                freeValues.insert(freeValues.end(), patterns.begin(), patterns.end());
            } else {
                out << "    " << Join(patterns, "|") << ") " << completion << "; return ;;\n";
            }
        }
    }
    if (!freeValues.empty()) out << "    " << Join(freeValues, "|") << ") return ;;\n";
    out << "    esac\n    case $command in\n";
    for (const TCommand& command : commands) {
        std::vector<std::string> words;
        bool positional = false;
        for (const CLI::Option* option : command.Options) {
            positional = positional || option->get_positional();
            for (const std::string& name : option->get_snames()) words.push_back("-" + name);
            for (const std::string& name : option->get_lnames()) words.push_back("--" + name);
        }
        if (command.Name.empty()) words.insert(words.end(), names.begin(), names.end());
        out << "    " << (command.Name.empty() ? "''" : command.Name) << ")\n";
        // Arguments that are not options are files, where the command takes any.
        if (positional) out << "        [[ $cur == -* ]] || { _velmora_batch_paths -f; return; }\n";
        out << "        _velmora_batch_words '" << Words(words) << "' ;;\n";
    }
    out << "    esac\n} && complete -F _velmora_batch velmora-batch\n";
    std::ofstream file(outPath);
    file << out.str();
    return file ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CLI::App app;
    TRawOptions raw;
    DeclareCommandLine(app, raw, 0);
    if (args.size() == 4 && args[0] == "man") return WriteManPage(app, args[1], args[2], args[3]);
    if (args.size() == 2 && args[0] == "completion") return WriteCompletion(app, args[1]);
    std::cerr << "usage: velmora_doc_tool man TEMPLATE OUT DATE | completion OUT\n";
    return 2;
}
