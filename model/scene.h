#pragma once
// One model drawn with the program's fixed camera on one device: the set-up
// that the application object, the tools, the benchmarks and the tests all
// need between a device and a drawn frame, written once.
//
//   Scene scene;
//   scene.Create(device, shaderFolder, width, height);  // camera, buffers, viewport
//   auto model = scene.NewModel();                      // decode into this
//   ...decode...
//   scene.Install(model);                               // camera and target size
//   scene.Prepare(*model);                              // shaders, GPU objects, skinning, physics
//   scene.SetMotion(*model, animation);
//   model->Update(elapsed); scene.Draw();
//
// A scene may have no device (posing without drawing): then nothing is
// created on a device and Draw does nothing.
#include <cstdint>
#include <memory>
#include <string>

#include "model/animation.h"
#include "model/look.h"
#include "model/model.h"
#include "render/device_objects.h"
#include "render/frame_setup.h"

namespace brivonel {

class Scene {
 public:
  Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Camera and projection for a width x height target, their constant
  // buffers (AppException 1102 when the device refuses one), and the
  // viewport of display size 1. shaderFolder ends in a separator; empty
  // means the materials get no shaders (for posing without drawing).
  void Create(GpuDeviceObjects gpu, std::u16string shaderFolder, std::int32_t width,
              std::int32_t height);
  // The target now has width x height pixels: the projection and its
  // buffer, the viewport and the installed model's idea of the target
  // follow. Sizes below 1 pixel are ignored (a minimised window).
  void Resize(std::int32_t width, std::int32_t height);
  // Display size 1 (large), 2 (medium) or 3 (small): the viewport shrinks
  // toward the bottom centre, and is bound at once.
  void SetDisplaySize(int size);
  // Any scale from 0 to 1 of the large size, shrinking the same way.
  void SetDisplayScale(float scale);
  // How models are drawn from now on (the installed one included). The
  // sample count is for the presenter, which makes the surface.
  void SetLook(const Look& look);

  // An empty model on this scene's device whose shader pools read this
  // device's files: decode into it, so that its textures land on the device.
  std::shared_ptr<Model> NewModel() const;
  // The same for a model built in place.
  void UseDevice(Model& model) const;
  // Points a model at the camera and the target's size (which the centre
  // shift and the outline width are measured in), and gives it the look.
  void Attach(Model& model) const;
  // Attach, and remember the model as the one Draw draws and Resize updates.
  void Install(std::shared_ptr<Model> model);
  // Gives a decoded model its shaders, its GPU objects, its first skinning
  // matrices and its physics world. False when a shader file is missing;
  // device refusals raise AppException.
  bool Prepare(Model& model) const;
  // The engine that simulates the rigid bodies of the models this scene
  // prepares (the installed one too); null turns physics off.
  void SetPhysics(physics::IPhysicsEngine* engine);
  // Gives the model its motion, played alone from clock time 0, and ties
  // the motion's morph tracks to the model's morphs.
  static void SetMotion(Model& model, std::shared_ptr<Animation> animation);

  // One frame: clear to transparent, bind the camera, draw the installed
  // model (unless it is still loading or its motion hides it).
  void Draw() const;

  const std::shared_ptr<Model>& model() const { return model_; }
  const GpuDeviceObjects& gpu() const { return gpu_; }
  const FrameSetup& frame() const { return frame_; }
  const gpu::Viewport& viewport() const { return viewport_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  float displayScale() const { return displayScale_; }
  const Look& look() const { return look_; }

 private:
  void FillProjection();

  GpuDeviceObjects gpu_;
  std::u16string shaderFolder_;
  // The model points at the matrices in here, so a scene never moves.
  FrameSetup frame_;
  gpu::Viewport viewport_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  float displayScale_ = 1.0f;
  Look look_;
  std::shared_ptr<Model> model_;
  physics::IPhysicsEngine* physics_ = nullptr;
};

}  // namespace brivonel
