#include "model/scene.h"

#include <utility>

#include "model/model_setup.h"

namespace brivonel {

void Scene::Create(GpuDeviceObjects gpu, std::u16string shaderFolder, std::int32_t width,
                   std::int32_t height) {
  gpu_ = std::move(gpu);
  shaderFolder_ = std::move(shaderFolder);
  width_ = width;
  height_ = height;
  if (gpu_.device && gpu_.context) {
    frame_.Create(*gpu_.device, *gpu_.context, width, height);
  } else {
    frame_.view = CameraViewMatrix();
    frame_.projection = CameraProjectionMatrix(width, height);
  }
  SetDisplayScale(displayScale_);
}

void Scene::Resize(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1 || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  FillProjection();
  SetDisplayScale(displayScale_);
  if (model_) Attach(*model_);
}

void Scene::FillProjection() {
  frame_.projection = CameraProjectionMatrix(width_, height_);
  frame_.projectionTransposed = Transpose(frame_.projection);
  if (gpu_.context && frame_.projectionBuffer)
    gpu_.context->UpdateSubresource(frame_.projectionBuffer.get(), &frame_.projectionTransposed);
}

void Scene::SetDisplaySize(int size) { SetDisplayScale(ModelSizeScale(size)); }

void Scene::SetDisplayScale(float scale) {
  displayScale_ = scale;
  viewport_ = ScaledViewport(width_, height_, scale);
  if (gpu_.context) gpu_.context->RSSetViewports(viewport_);
}

void Scene::SetLook(const Look& look) {
  look_ = look;
  if (model_) model_->look = look_;
}

std::shared_ptr<Model> Scene::NewModel() const {
  auto model = std::make_shared<Model>();
  UseDevice(*model);
  return model;
}

void Scene::UseDevice(Model& model) const {
  model.SetDevice(gpu_.context, gpu_.device);
  model.vertexShaderPool.SetFileExtension(gpu_.shaderFileExtension);
  model.pixelShaderPool.SetFileExtension(gpu_.shaderFileExtension);
}

void Scene::Attach(Model& model) const {
  model.view = &frame_.view;
  model.projection = &frame_.projection;
  model.viewportWidth = width_;
  model.viewportHeight = height_;
  model.look = look_;
}

void Scene::Install(std::shared_ptr<Model> model) {
  model_ = std::move(model);
  if (model_) Attach(*model_);
}

bool Scene::Prepare(Model& model) const {
  if (!shaderFolder_.empty() && !AssignMaterialShaders(model, shaderFolder_)) return false;
  model.CreateGpuResources();
  model.ComputeSkinningMatrices();
  model.SetPhysicsEngine(physics_);
  return true;
}

void Scene::SetPhysics(physics::IPhysicsEngine* engine) {
  physics_ = engine;
  if (model_) model_->SetPhysicsEngine(physics_);
}

void Scene::SetMotion(Model& model, std::shared_ptr<Animation> animation) {
  model.animation = std::move(animation);
  // Played alone from the clock's start, unless the caller says otherwise.
  model.SetMotionBlend({});
  LinkMorphTracks(model);
}

void Scene::Draw() const {
  if (!gpu_.context) return;
  frame_.BeginScene(*gpu_.context);
  if (model_ && model_->Shown()) model_->Render();
}

}  // namespace brivonel
