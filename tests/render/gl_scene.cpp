#include "tests/render/gl_scene.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/unicode.h"
#include "tests/support/mesa_shader_cache.h"
#include "tests/support/test_models.h"

namespace brivonel::test {

GlScene::GlScene(std::int32_t width, std::int32_t height, std::uint32_t samples)
    : width_(width), height_(height) {
  KeepMesaFromCachingShaders();
  context_ = gl::OffscreenContext::Create(width, height, &error_, samples);
  if (!context_) return;
  gpu_ = std::make_shared<gl::GlGpu>();
  gpu_->SetRenderTargetSize(width, height);
  scene_ = std::make_unique<Scene>();
  scene_->Create({gpu_, gpu_, gl::kGlShaderExtension}, ShaderDirectory(), width, height);
}

GlScene::~GlScene() {
  scene_.reset();
  gpu_.reset();
  context_.reset();
}

std::u16string GlScene::ShaderDirectory() { return Utf8ToUtf16(BRIVONEL_GL_SHADER_DIR); }

void GlScene::Prepare(Model& model) {
  scene_->UseDevice(model);
  scene_->Attach(model);
  ASSERT_TRUE(scene_->Prepare(model));
}

void GlScene::Draw(Model& model, int displaySize) {
  scene_->SetDisplaySize(displaySize);
  scene_->frame().BeginScene(*gpu_);
  model.Render();
  ReadBack();
}

void GlScene::ReadBack() { context_->ReadPixels(pixels_); }

Pixel GlScene::At(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                         static_cast<std::size_t>(x)) *
                        4;
  return {pixels_[i], pixels_[i + 1], pixels_[i + 2], pixels_[i + 3]};
}

Box GlScene::Coverage() const {
  Box box{width_, height_, -1, -1};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (At(x, y).a == 0) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  }
  if (box.x1 < 0) return Box{};
  return box;
}

void GlScene::Project(const Float4& point, int displaySize, double* x, double* y) const {
  const Float4 clip = Transform(Transform(point, frame().view), frame().projection);
  const gpu::Viewport viewport = ModelSizeViewport(width_, height_, displaySize);
  *x = viewport.topLeftX + (clip.x / clip.w + 1.0) / 2.0 * viewport.width;
  *y = viewport.topLeftY + (1.0 - clip.y / clip.w) / 2.0 * viewport.height;
}

}  // namespace brivonel::test
