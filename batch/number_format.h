#pragma once

#include <cstdint>
#include <string>

namespace velmora::batch {

// Appends the shortest text that reads back as exactly the same double, so
// that files written by the tool lose nothing.
void AppendShortest(std::string& out, double value);
std::string Shortest(double value);

void AppendInteger(std::string& out, std::int64_t value);
void AppendUnsigned(std::string& out, std::uint64_t value);

// A CSV field: quoted, with inner quotes doubled, when it holds a comma, a
// quote or a line break; as it is otherwise.
std::string CsvText(const std::string& text);

// Fixed-point text with the given number of decimals, for tables and plots.
std::string Fixed(double value, int decimals);

}  // namespace velmora::batch
