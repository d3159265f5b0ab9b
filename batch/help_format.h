#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::batch {

// The width --help wraps to: the terminal's on a terminal, else 80.
std::size_t HelpWidth();

// Text broken at spaces into lines of at most width characters. Lines of the
// text that start with a space (examples) are kept as they are.
std::string Wrapped(std::string_view text, std::size_t width);

// CLI11's help with every description, the description of the program and
// its footer wrapped to one width.
class THelpFormatter : public CLI::Formatter {
  public:
    explicit THelpFormatter(std::size_t width);

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;
    std::string make_option(const CLI::Option* option, bool positional) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
    std::string make_description(const CLI::App* app) const override;
    std::string make_footer(const CLI::App* app) const override;

  private:
    std::string Entry(const std::string& name, const std::string& description) const;

    std::size_t Width;
};

}  // namespace velmora::batch
