#include "model/model.h"

#include "model/physics_rig.h"

namespace brivonel {

Model::Model()
    : animation(std::make_shared<Animation>()),
      world(MatrixIdentity()),
      worldConstants(MatrixIdentity()),
      figure_(MatrixIdentity()) {}

Model::~Model() = default;

int Model::Release() {
  materials.clear();
  meshes.clear();
  bones.clear();
  grants.clear();
  physicsRig_.reset();
  return 0;
}

int Model::Reserved() { return 0; }

void Model::SetDevice(std::shared_ptr<gpu::IGpuContext> newContext,
                      std::shared_ptr<gpu::IGpuDevice> newDevice) {
  context = std::move(newContext);
  device = std::move(newDevice);
  texturePool.SetDevice(device);
  vertexShaderPool.SetDevice(device);
  pixelShaderPool.SetDevice(device);
}

}  // namespace brivonel
