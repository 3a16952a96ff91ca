#pragma once
// A model drawn offscreen through the OpenGL backend and read back, for the
// tests that look at pixels.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/scene.h"
#include "render/gl/gl_gpu.h"
#include "render/gl/offscreen_context.h"
#include "tests/support/temp_dir.h"

namespace brivonel::test {

struct Pixel {
  std::uint8_t b = 0, g = 0, r = 0, a = 0;
};

struct Box {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive; empty when x1 < x0
  bool empty() const { return x1 < x0; }
  double centreX() const { return (x0 + x1) / 2.0; }
  double centreY() const { return (y0 + y1) / 2.0; }
};

class GlScene {
 public:
  // An offscreen target of width x height pixels and `samples` samples per
  // pixel; ok() is false (error() says why) when no OpenGL context can be
  // made.
  GlScene(std::int32_t width, std::int32_t height, std::uint32_t samples = 1);
  ~GlScene();

  bool ok() const { return context_ != nullptr; }
  const std::string& error() const { return error_; }

  // The program's scene set-up for a model built in place: the device, the
  // GLSL shaders, the camera, the GPU objects and the skinning matrices.
  void Prepare(Model& model);
  // One frame: clear, camera buffers, the viewport of the display size, the
  // model's Render; then reads the pixels back.
  void Draw(Model& model, int displaySize = 1);

  Pixel At(int x, int y) const;
  // The pixels whose alpha is above 0.
  Box Coverage() const;
  // Screen position of a model-space point through view, projection and the
  // viewport of a display size.
  void Project(const Float4& point, int displaySize, double* x, double* y) const;

  std::uint32_t samples() const { return context_->samples(); }
  gl::GlGpu& gpu() { return *gpu_; }
  std::shared_ptr<gl::GlGpu> sharedGpu() { return gpu_; }
  const FrameSetup& frame() const { return scene_->frame(); }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  // Reads the current frame without drawing.
  void ReadBack();
  static std::u16string ShaderDirectory();

 private:
  std::int32_t width_;
  std::int32_t height_;
  std::string error_;
  std::unique_ptr<gl::OffscreenContext> context_;
  std::shared_ptr<gl::GlGpu> gpu_;
  std::unique_ptr<Scene> scene_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace brivonel::test
