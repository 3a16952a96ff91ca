#include "app/ini_text.h"

#include <cstddef>
#include <vector>

namespace brivonel {
namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

struct Line {
  std::size_t begin = 0;       // first byte of the line
  std::size_t contentEnd = 0;  // end of the text, before "\r\n" or "\n"
  std::size_t end = 0;         // after the line break (or end of text)
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t begin = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  while (begin < text.size()) {
    const std::size_t newline = text.find('\n', begin);
    Line line;
    line.begin = begin;
    line.end = newline == std::string_view::npos ? text.size() : newline + 1;
    line.contentEnd = newline == std::string_view::npos ? text.size() : newline;
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r') --line.contentEnd;
    lines.push_back(line);
    begin = line.end;
  }
  return lines;
}

// What one line is, as the reader sees it.
struct ParsedLine {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;   // section or key name
  std::string_view value;  // key value, trimmed, quotes kept
};

ParsedLine Parse(std::string_view content) {
  const std::string_view t = Trim(content);
  ParsedLine parsed;
  if (t.empty()) return parsed;
  if (t.front() == '[') {
    const std::size_t close = t.rfind(']');
    if (close != std::string_view::npos) {
      parsed.kind = ParsedLine::kSection;
      parsed.name = Trim(t.substr(1, close - 1));
      return parsed;
    }
  }
  const std::size_t equals = t.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = ParsedLine::kKey;
  parsed.name = Trim(t.substr(0, equals));
  parsed.value = Trim(t.substr(equals + 1));
  return parsed;
}

struct Location {
  std::ptrdiff_t section = -1;      // line of the section header
  std::ptrdiff_t key = -1;          // line of the key
  std::ptrdiff_t lastContent = -1;  // last line of the section that is no comment
};

Location Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
  Location location;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view content =
        text.substr(lines[i].begin, lines[i].contentEnd - lines[i].begin);
    const ParsedLine parsed = Parse(content);
    if (parsed.kind == ParsedLine::kSection) {
      if (location.section >= 0) break;  // only the first section of the name counts
      if (IniNamesEqual(parsed.name, section)) {
        location.section = location.lastContent = static_cast<std::ptrdiff_t>(i);
      }
      continue;
    }
    if (location.section < 0) continue;
    // Blank lines and comments at the end of a section belong to what follows.
    const std::string_view trimmed = Trim(content);
    if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
      location.lastContent = static_cast<std::ptrdiff_t>(i);
    }
    if (parsed.kind == ParsedLine::kKey && location.key < 0 && IniNamesEqual(parsed.name, key)) {
      location.key = static_cast<std::ptrdiff_t>(i);
    }
  }
  return location;
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string EncodeValue(std::string_view value) {
  const bool padded = !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                                         kBlanks.find(value.back()) != std::string_view::npos);
  if (padded || StripQuotes(value).size() != value.size()) {
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted.append(1, '"').append(value).append(1, '"');
    return quoted;
  }
  return std::string(value);
}

std::string_view LineEndingOf(std::string_view text) {
  const std::size_t newline = text.find('\n');
  if (newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r') {
    return "\r\n";
  }
  return "\n";
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
  const std::vector<Line> lines = SplitLines(text);
  const Location location = Locate(text, lines, section, key);
  if (location.key < 0) return std::nullopt;
  const Line& line = lines[static_cast<std::size_t>(location.key)];
  const ParsedLine parsed = Parse(text.substr(line.begin, line.contentEnd - line.begin));
  return std::string(StripQuotes(parsed.value));
}

std::optional<std::string> SetIniValue(std::string_view text, std::string_view section,
                                       std::string_view key, std::string_view value) {
  if (Trim(section).empty() || Trim(key).empty() || HasLineBreakOrNul(section) ||
      HasLineBreakOrNul(key) || HasLineBreakOrNul(value) ||
      section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      Trim(key).front() == '[') {
    return std::nullopt;
  }
  const std::vector<Line> lines = SplitLines(text);
  const Location location = Locate(text, lines, section, key);
  const std::string_view newline = LineEndingOf(text);
  std::string out;
  out.reserve(text.size() + key.size() + value.size() + section.size() + 8);

  if (location.key >= 0) {
    // Keep the key as the file spells it and everything around the line.
    const Line& line = lines[static_cast<std::size_t>(location.key)];
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    const std::size_t indent = content.find_first_not_of(kBlanks);
    out.append(text.substr(0, line.begin));
    out.append(content.substr(0, indent));
    out.append(Parse(content).name);
    out.push_back('=');
    out.append(EncodeValue(value));
    out.append(text.substr(line.contentEnd));
    return out;
  }

  const std::string keyLine = std::string(key) + "=" + EncodeValue(value);
  if (location.section >= 0) {
    const Line& after = lines[static_cast<std::size_t>(location.lastContent)];
    out.append(text.substr(0, after.end));
    if (text[after.end - 1] != '\n') out.append(newline);  // the last line had no break
    out.append(keyLine);
    out.append(newline);
    out.append(text.substr(after.end));
    return out;
  }

  out.append(text);
  if (!text.empty() && text.back() != '\n' && text != kByteOrderMark) out.append(newline);
  out.push_back('[');
  out.append(section);
  out.push_back(']');
  out.append(newline);
  out.append(keyLine);
  out.append(newline);
  return out;
}

}  // namespace brivonel
