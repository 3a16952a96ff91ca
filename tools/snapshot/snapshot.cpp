#include "tools/snapshot/snapshot.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "base/unicode.h"

namespace brivonel::snapshot {

const char kUsage[] =
    "usage: brivonel-snapshot MODEL [MOTION] [--ms T] [--size WxH] "
    "[--display-size 1|2|3] [--flat] [--no-physics] --out FILE.png";

const char kHelp[] =
    "Draws one frame of MODEL (.pmx or .pmd), posed by MOTION (.vmd) at --ms T\n"
    "milliseconds (default 0; without MOTION the rest pose), exactly as the\n"
    "program draws it (hair and skirts simulated frame by frame from 0 ms), and\n"
    "writes it as a PNG with straight alpha.\n"
    "  --size WxH          the window's client area (default 960x1040)\n"
    "  --display-size N    1 large (default), 2 medium, 3 small\n"
    "  --flat              the plain look: one sample per pixel, no sphere maps,\n"
    "                      toon ramps or outlines\n"
    "  --no-physics        hair and skirts as the motion poses them\n"
    "  --out FILE.png      the picture to write\n"
    "One JSON line on stdout says what the frame shows; warnings and errors go\n"
    "to stderr.";

namespace {

bool EndsWithPng(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".png";
}

template <typename Number>
bool ParseNumber(std::string_view text, Number* value) {
  const char* end = text.data() + text.size();
  const auto [stop, problem] = std::from_chars(text.data(), end, *value);
  return problem == std::errc() && stop == end;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& arguments, Options* options,
                    std::string* error) {
  std::vector<std::string> positional;
  bool haveOut = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options->help = true;
      return true;
    }
    const bool takesValue = argument == "--ms" || argument == "--size" ||
                            argument == "--display-size" || argument == "--out";
    if (argument == "--flat") {
      options->flat = true;
      continue;
    }
    if (argument == "--no-physics") {
      options->physics = false;
      continue;
    }
    if (!takesValue) {
      if (argument.starts_with("--")) {
        *error = "unknown option " + argument;
        return false;
      }
      positional.push_back(argument);
      continue;
    }
    if (i + 1 == arguments.size()) {
      *error = argument + " needs a value";
      return false;
    }
    const std::string& value = arguments[++i];
    if (argument == "--ms") {
      if (!ParseNumber(value, &options->milliseconds)) {
        *error = "--ms takes a whole number of milliseconds, not \"" + value + "\"";
        return false;
      }
    } else if (argument == "--size") {
      // "960x1040"; the multiplication sign is accepted too.
      std::size_t split = value.find('x');
      std::size_t skip = 1;
      if (split == std::string::npos) {
        split = value.find("\xC3\x97");
        skip = 2;
      }
      if (split == std::string::npos ||
          !ParseNumber(std::string_view(value).substr(0, split), &options->width) ||
          !ParseNumber(std::string_view(value).substr(split + skip), &options->height) ||
          options->width < 1 || options->height < 1 || options->width > 16384 ||
          options->height > 16384) {
        *error = "--size takes WIDTHxHEIGHT between 1 and 16384, not \"" + value + "\"";
        return false;
      }
    } else if (argument == "--display-size") {
      if (value != "1" && value != "2" && value != "3") {
        *error = "--display-size takes 1, 2 or 3, not \"" + value + "\"";
        return false;
      }
      options->displaySize = value[0] - '0';
    } else {
      // The picture is always PNG; a name promising another format is refused.
      if (!EndsWithPng(value)) {
        *error = "--out takes a file name ending in .png, not \"" + value + "\"";
        return false;
      }
      options->out = ToFsPath(Utf8ToUtf16(value));
      haveOut = true;
    }
  }
  if (positional.empty() || positional.size() > 2) {
    *error = positional.empty() ? "no model file given" : "more than a model and a motion given";
    return false;
  }
  if (!haveOut || options->out.empty()) {
    *error = "no output file given (--out FILE.png)";
    return false;
  }
  options->model = Utf8ToUtf16(positional[0]);
  if (positional.size() == 2) options->motion = Utf8ToUtf16(positional[1]);
  return true;
}

Coverage MeasureCoverage(const std::vector<std::uint8_t>& bgra, std::int32_t width,
                         std::int32_t height) {
  Coverage coverage;
  std::uint64_t covered = 0;
  coverage.x0 = width;
  coverage.y0 = height;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = bgra.data() + static_cast<std::size_t>(y) * width * 4;
    for (std::int32_t x = 0; x < width; ++x) {
      if (row[x * 4 + 3] == 0) continue;
      ++covered;
      coverage.x0 = std::min(coverage.x0, x);
      coverage.x1 = std::max(coverage.x1, x);
      coverage.y0 = std::min(coverage.y0, y);
      coverage.y1 = std::max(coverage.y1, y);
    }
  }
  coverage.any = covered > 0;
  if (!coverage.any) coverage.x0 = coverage.y0 = 0;
  coverage.fraction =
      static_cast<double>(covered) / (static_cast<double>(width) * static_cast<double>(height));
  return coverage;
}

void ToStraightRgba(const std::vector<std::uint8_t>& bgra, std::vector<std::uint8_t>& rgba) {
  rgba.resize(bgra.size());
  for (std::size_t i = 0; i + 3 < bgra.size(); i += 4) {
    const unsigned alpha = bgra[i + 3];
    const auto straight = [alpha](unsigned value) -> std::uint8_t {
      if (alpha == 0) return 0;
      return static_cast<std::uint8_t>(std::min(255u, (value * 255 + alpha / 2) / alpha));
    };
    rgba[i] = straight(bgra[i + 2]);
    rgba[i + 1] = straight(bgra[i + 1]);
    rgba[i + 2] = straight(bgra[i]);
    rgba[i + 3] = static_cast<std::uint8_t>(alpha);
  }
}

std::string ResultLine(std::uint32_t frame, int shift, const Coverage& coverage) {
  char text[160];
  if (coverage.any) {
    std::snprintf(text, sizeof text,
                  "{\"frame\": %u, \"shift\": %d, \"coverage\": %.6f, \"bbox\": [%d, %d, %d, %d]}",
                  frame, shift, coverage.fraction, coverage.x0, coverage.y0, coverage.x1,
                  coverage.y1);
  } else {
    std::snprintf(text, sizeof text,
                  "{\"frame\": %u, \"shift\": %d, \"coverage\": %.6f, \"bbox\": null}", frame,
                  shift, coverage.fraction);
  }
  return text;
}

}  // namespace brivonel::snapshot
