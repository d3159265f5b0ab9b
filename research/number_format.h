#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::research {

// Appends the shortest text that reads back as exactly the same double, so
// that files written by the tool lose nothing.
void AppendShortest(std::string& out, double value);
std::string Shortest(double value);

void AppendInteger(std::string& out, std::int64_t value);
void AppendUnsigned(std::string& out, std::uint64_t value);

// A finite number typed in full, -0 read as 0; empty for anything else.
std::optional<double> ReadNumber(std::string_view text);

// A whole number of digits only, at most max; empty for anything else.
std::optional<std::uint64_t> ReadWhole(std::string_view text, std::uint64_t max);

// One field of a CSV row: whole numbers as they are, doubles as their
// shortest text.
inline void AppendValue(std::string& out, double value) { AppendShortest(out, value); }
template <std::signed_integral T>
void AppendValue(std::string& out, T value) {
    AppendInteger(out, value);
}
template <std::unsigned_integral T>
void AppendValue(std::string& out, T value) {
    AppendUnsigned(out, value);
}

// Appends the values as one CSV row, with its line end.
template <typename... T>
void AppendCsvRow(std::string& out, const T&... values) {
    bool first = true;
    ((out += first ? "" : ",", first = false, AppendValue(out, values)), ...);
    out += '\n';
}

// A CSV field: quoted, with inner quotes doubled, when it holds a comma, a
// quote or a line break; as it is otherwise.
std::string CsvText(const std::string& text);
// The fields of one CSV line, quotes taken off.
std::vector<std::string> CsvFields(std::string_view line);

// Writes the fields of one CSV row, each kind of value always the same way,
// so that no summary can come out a field short: a comma before every field
// but the first, numbers as their shortest text, a missing number (NaN) as an
// empty field, texts quoted when they need it.
class TCsvRow {
  public:
    explicit TCsvRow(std::string& out) : Out_(out) {}
    TCsvRow& Number(double value);
    TCsvRow& Whole(std::int64_t value);
    TCsvRow& Text(const std::string& text);
    void End() { Out_ += '\n'; }

  private:
    void Separate();

    std::string& Out_;
    bool First_ = true;
};

// Fixed-point text with the given number of decimals, for tables and plots;
// any number of decimals (a double has at most 1074).
std::string Fixed(double value, int decimals);

}  // namespace velmora::research
