#include "tools/snapshot/snapshot.h"

#include <png.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>
#include <ostream>

#include "app/model_files.h"
#include "base/app_exception.h"
#include "base/unicode.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "model/model.h"
#include "model/model_setup.h"
#include "render/frame_setup.h"
#include "render/gl/gl_gpu.h"
#include "render/gl/offscreen_context.h"
#include "render/linux/image_codecs_linux.h"

namespace brivonel::snapshot {

const char kUsage[] =
    "usage: brivonel-snapshot MODEL [MOTION] [--ms T] [--size WxH] "
    "[--display-size 1|2|3] --out FILE.png";

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number* value) {
  const char* end = text.data() + text.size();
  const auto [stop, problem] = std::from_chars(text.data(), end, *value);
  return problem == std::errc() && stop == end;
}

// A failure of one step: the file it concerns and what went wrong.
struct Failure {
  std::string file;
  std::string what;
};

std::string Hex(HResult hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string DescribeAppException(const AppException& e) {
  switch (e.code()) {
    case error::kTextures:
      return "a texture it names cannot be loaded (" + Hex(e.hr()) + ")";
    case error::kShaders:
    case error::kDevice:
      return "the shaders cannot be prepared (" + Hex(e.hr()) + ")";
    case error::kBuffers:
      return "its GPU buffers cannot be created (" + Hex(e.hr()) + ")";
    default:
      return "error " + std::to_string(e.code()) + " (" + Hex(e.hr()) + ")";
  }
}

template <typename Decoder, typename Record>
void DecodeModelFile(const std::u16string& path, const std::shared_ptr<Model>& model,
                     const char* format) {
  Decoder decoder;
  std::shared_ptr<Record> record;
  int result = decoder.ReadFile(path, record);
  if (result == OpenFailed) throw Failure{Utf16ToUtf8(path), "cannot be opened"};
  if (result == FileRead) {
    model->path = path;  // textures are found beside the model
    result = decoder.BuildModel(record, model);
  }
  if (result != ModelBuilt) {
    std::string reason = std::string("is not a valid ") + format + " file";
    if (record && !record->formatError.empty()) reason += ": " + record->formatError;
    throw Failure{Utf16ToUtf8(path), reason};
  }
}

// The model as the program loads it: decoded, its materials given their
// shaders, its GPU objects built and its rest pose skinned.
void LoadModel(const std::u16string& path, const std::u16string& shaderFolder,
               const std::shared_ptr<Model>& model) {
  const std::string file = Utf16ToUtf8(path);
  const std::u16string extension = FileExtension(path);
  try {
    if (extension == u".pmx") {
      DecodeModelFile<PMXDecoder, PMXModel>(path, model, "PMX");
    } else if (extension == u".pmd") {
      DecodeModelFile<PMDDecoder, PMDModel>(path, model, "PMD");
    } else {
      throw Failure{file, "is not a model file (the name must end in .pmx or .pmd)"};
    }
  } catch (const AppException& e) {
    throw Failure{file, DescribeAppException(e)};
  } catch (const Failure&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure{file, std::string("cannot be read: ") + e.what()};
  }
  try {
    if (!AssignMaterialShaders(*model, shaderFolder)) {
      throw Failure{Utf16ToUtf8(shaderFolder),
                    "holds no shader files (" + Utf16ToUtf8(kVertexShaderName) +
                        Utf16ToUtf8(gl::kGlShaderExtension) + " and the pixel shaders)"};
    }
    model->CreateGpuResources();
    model->ComputeSkinningMatrices();
  } catch (const AppException& e) {
    throw Failure{file, DescribeAppException(e)};
  }
}

void LoadMotion(const std::u16string& path, const std::shared_ptr<Model>& model) {
  const std::string file = Utf16ToUtf8(path);
  if (FileExtension(path) != u".vmd")
    throw Failure{file, "is not a motion file (the name must end in .vmd)"};
  auto animation = std::make_shared<Animation>();
  try {
    VMDDecoder decoder;
    if (decoder.Decode(path, animation, model->bones) != ModelBuilt)
      throw Failure{file, "cannot be opened"};
  } catch (const Failure&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure{file, std::string("cannot be read: ") + e.what()};
  }
  model->animation = std::move(animation);
  LinkMorphTracks(*model);
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& arguments, Options* options,
                    std::string* error) {
  std::vector<std::string> positional;
  bool haveOut = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool takesValue = argument == "--ms" || argument == "--size" ||
                            argument == "--display-size" || argument == "--out";
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

bool WritePng(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
              const std::vector<std::uint8_t>& rgba, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot be created";
    return false;
  }
  const int written = png_image_write_to_stdio(&image, file, 0, rgba.data(), width * 4, nullptr);
  const bool closed = std::fclose(file) == 0;
  if (written == 0 || !closed) {
    *error = std::string("cannot be written: ") +
             (written == 0 ? image.message : "the disk refused the data");
    png_image_free(&image);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
  }
  return true;
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

int Run(const Options& options, const std::u16string& shaderFolder, std::ostream& out,
        std::ostream& err) {
  const auto fail = [&err](const std::string& file, const std::string& what) {
    err << "brivonel-snapshot: " << file << ": " << what << "\n";
    return 1;
  };
  RegisterLinuxImageCodecs();
  std::string error;
  auto context = gl::OffscreenContext::Create(options.width, options.height, &error);
  if (!context) return fail("offscreen OpenGL", error);

  std::vector<std::uint8_t> pixels;
  std::uint32_t frameNumber = 0;
  int shift = 0;
  {
    auto gpu = std::make_shared<gl::GlGpu>();
    gpu->SetRenderTargetSize(options.width, options.height);
    FrameSetup frame;
    auto model = std::make_shared<Model>();
    try {
      frame.Create(*gpu, *gpu, options.width, options.height);
      gpu->RSSetViewports(ModelSizeViewport(options.width, options.height, options.displaySize));
      model->SetDevice(gpu, gpu);
      model->vertexShaderPool.SetFileExtension(gl::kGlShaderExtension);
      model->pixelShaderPool.SetFileExtension(gl::kGlShaderExtension);
      model->projection = &frame.projection;
      model->view = &frame.view;
      model->viewportWidth = options.width;
      model->viewportHeight = options.height;
      model->loading = true;
      LoadModel(options.model, shaderFolder, model);
      if (!options.motion.empty()) LoadMotion(options.motion, model);
      model->loading = false;

      shift = model->Update(options.milliseconds);
      frameNumber = model->animation ? model->animation->currentFrame : 0;
      frame.BeginScene(*gpu);
      model->Render();
    } catch (const Failure& failure) {
      return fail(failure.file, failure.what);
    } catch (const AppException& e) {
      return fail(Utf16ToUtf8(options.model), DescribeAppException(e));
    } catch (const std::exception& e) {
      return fail(Utf16ToUtf8(options.model), std::string("cannot be drawn: ") + e.what());
    }
    context->ReadPixels(pixels);
  }

  std::vector<std::uint8_t> rgba;
  ToStraightRgba(pixels, rgba);
  if (!WritePng(options.out, options.width, options.height, rgba, &error))
    return fail(options.out.string(), error);
  out << ResultLine(frameNumber, shift, MeasureCoverage(pixels, options.width, options.height))
      << "\n";
  return 0;
}

}  // namespace brivonel::snapshot
