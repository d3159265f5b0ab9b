#include "batch/help_format.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace velmora::batch {

namespace {

// A name column that leaves descriptions room even at 80 columns.
constexpr std::size_t NameColumn = 30;

// Appends the words of line, starting at column, breaking before a word
// that would pass width and starting each new line with indent spaces.
void WrapLine(std::string& out, std::string_view line, std::size_t column, std::size_t width,
              std::size_t indent) {
    bool first = true;
    for (;;) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) return;
        line.remove_prefix(start);
        const std::string_view word = line.substr(0, line.find(' '));
        line.remove_prefix(word.size());
        if (!first && column + 1 + word.size() > width) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
}

}  // namespace

std::size_t HelpWidth() {
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return std::clamp<std::size_t>(size.ws_col, 60, 200);
    }
    return 80;
}

std::string Wrapped(std::string_view text, std::size_t width) {
    std::string out;
    for (bool first = true;; first = false) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!first) out += '\n';
        if (!line.empty() && line.front() == ' ') {
            out += line;
        } else {
            WrapLine(out, line, 0, width, 0);
        }
        if (end == std::string_view::npos) return out;
        text.remove_prefix(end + 1);
    }
}

THelpFormatter::THelpFormatter(std::size_t width) : Width(width) { column_width(NameColumn); }

std::string THelpFormatter::Entry(const std::string& name, const std::string& description) const {
    std::string out = "  " + name;
    if (description.empty()) return out + "\n";
    if (out.size() + 1 > NameColumn) {
        out += '\n';
        out.append(NameColumn, ' ');
    } else {
        out.append(NameColumn - out.size(), ' ');
    }
    std::string text;
    WrapLine(text, description, NameColumn, Width, NameColumn);
    return out + text + "\n";
}

// As CLI11 puts it together, with one blank line between groups.
std::string THelpFormatter::make_help(const CLI::App* app, std::string name,
                                      CLI::AppFormatMode mode) const {
    if (mode == CLI::AppFormatMode::Sub) return make_expanded(app);
    std::string out = make_description(app) + make_usage(app, name) + make_positionals(app);
    for (const std::string& group : app->get_groups()) {
        const std::vector<const CLI::Option*> options =
            app->get_options([&](const CLI::Option* option) {
                return option->get_group() == group && option->nonpositional() &&
                       (mode != CLI::AppFormatMode::Sub || option != app->get_help_ptr());
            });
        if (!group.empty() && !options.empty()) out += make_group(group, false, options);
    }
    return out + make_subcommands(app, mode) + "\n" + make_footer(app);
}

// Arguments that are not options are all required: no need to say so.
std::string THelpFormatter::make_option_opts(const CLI::Option* option) const {
    if (option->get_positional()) return "";
    return CLI::Formatter::make_option_opts(option);
}

std::string THelpFormatter::make_option(const CLI::Option* option, bool positional) const {
    return Entry(make_option_name(option, positional) + make_option_opts(option),
                 make_option_desc(option));
}

std::string THelpFormatter::make_subcommand(const CLI::App* sub) const {
    return Entry(sub->get_display_name(), sub->get_description());
}

std::string THelpFormatter::make_description(const CLI::App* app) const {
    const std::string description = app->get_description();
    return description.empty() ? "" : Wrapped(description, Width) + "\n\n";
}

std::string THelpFormatter::make_footer(const CLI::App* app) const {
    const std::string footer = app->get_footer();
    return footer.empty() ? "" : Wrapped(footer, Width) + "\n";
}

}  // namespace velmora::batch
