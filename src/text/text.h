// Narrow text (bytes in the ANSI code page) and wide text (UTF-16), and the
// operations the tool applies to them. Every operation returns a new value and
// never throws; a storage failure gives the failure value documented with it.
#pragma once

#include <cstdint>
#include <string>

// Text operations.

// Narrow to wide in the ANSI code page. The empty text, a refused conversion or
// a storage failure give the empty text; nothing is recorded.
std::u16string to_wide(const std::string& text);

// Wide to narrow in the ANSI code page; a character the code page lacks gets
// the code page's substitute. Failures as for to_wide.
std::string to_narrow(const std::u16string& text);

std::int32_t text_length(const std::string& text);

// a followed by b. Storage failure: code 7 recorded, the empty text.
std::string concat(const std::string& a, const std::string& b);
std::u16string concat(const std::u16string& a, const std::u16string& b);
// a, b and c in one piece of storage: a report line costs one allocation.
// Storage failure: code 7 recorded, the empty text.
std::string concat(const std::string& a, const std::string& b, const std::string& c);

// Up to count bytes from the 1-based position start; a negative start counts
// from the end. Storage failure: code 7 recorded, the text unchanged.
std::string mid_from(const std::string& text, std::int32_t start, std::int32_t count);
std::u16string mid_from(const std::u16string& text, std::int32_t start, std::int32_t count);

bool equal_narrow(const std::string& a, const std::string& b);
bool equal_wide(const std::u16string& a, const std::u16string& b);

// Lower-case folding by the platform; the length never changes.
// Storage failure: code 7 recorded, the text unchanged.
std::u16string to_lower(const std::u16string& text);

// Fields and trimming.

// Field number index (from 1) of source divided by delimiter; the empty text
// for index 0 and for a field beyond the last. Storage failure: code 7
// recorded, the source unchanged.
std::u16string parse_field(const std::u16string& source, const std::u16string& delimiter,
                           std::int32_t index);
std::string parse_field(const std::string& source, const std::string& delimiter,
                        std::int32_t index);

// The text without every repetition of trim at its start (end). Storage
// failure: code 7 recorded, the text unchanged.
std::string trim_leading(const std::string& text, const std::string& trim);
std::string trim_trailing(const std::string& text, const std::string& trim);
std::u16string trim_leading(const std::u16string& text, const std::u16string& trim);
std::u16string trim_trailing(const std::u16string& text, const std::u16string& trim);

// Numbers.

// The value under a mask of digit placeholders "0" and the grouping comma,
// rounded half to even. Storage failure: code 7 recorded, the empty text.
std::string format_number(double value, const std::string& mask);
