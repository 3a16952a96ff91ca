// Drawing the posed model: changed vertices are uploaded, the world and bone
// matrices written, and the pieces drawn material by material with their
// morph-adjusted colours, sphere maps or sub-textures and toon ramps; then
// the edge pass draws the outlines of the materials that ask for one.
#include <algorithm>
#include <cstring>

#include "model/model.h"
#include "model/model_setup.h"
#include "render/constant_buffer.h"

namespace brivonel {

namespace {

// Shader resource and sampler slots of the pixel shaders.
constexpr std::uint32_t kTextureSlot = 0;
constexpr std::uint32_t kSecondTextureSlot = 1;  // the sphere map or the sub-texture
constexpr std::uint32_t kToonSlot = 2;

Float4 MultiplyComponents(const Float4& a, const Float4& b) {
  return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w};
}

// The material's colours with its pending morph factors folded in: first the
// multiplying ones, then the adding ones.
MaterialConstants FoldedColours(const Material& material) {
  Float4 ambient = material.ambient;
  Float4 diffuse = material.diffuse;
  Float4 specular = material.specular;
  Float4 edgeColor = material.edgeColor;
  if (material.multiplyPending) {
    const MaterialFactors& f = material.multiplyFactors;
    diffuse = MultiplyComponents(diffuse, f.diffuse);
    ambient = MultiplyComponents(ambient, f.ambient);
    specular = MultiplyComponents(specular, f.specular);
    edgeColor = MultiplyComponents(edgeColor, f.edgeColor);
  }
  if (material.addPending) {
    const MaterialFactors& f = material.addTerms;
    diffuse = Add(diffuse, f.diffuse);
    ambient = Add(ambient, f.ambient);
    specular = Add(specular, f.specular);
    edgeColor = Add(edgeColor, f.edgeColor);
  }
  MaterialConstants constants;
  constants.ambient = {ambient.x, ambient.y, ambient.z, 0.0f};
  constants.diffuse = diffuse;
  constants.specular = specular;
  constants.edgeColor = edgeColor;
  return constants;
}

bool ValidIndex(std::int32_t id, std::size_t size) {
  return id >= 0 && static_cast<std::size_t>(id) < size;
}

// Binds the shaders of one Render call's draws, skipping ids bound already
// (none at the start of the call).
class ShaderBinder {
 public:
  explicit ShaderBinder(const Model& model) : model_(model) {}

  void Bind(std::int32_t vertexId, std::int32_t pixelId) {
    gpu::IGpuContext& context = *model_.context;
    if (vertexId != vertex_) {
      vertex_ = vertexId;
      const VertexShaderInfo& shader = model_.vertexShaderPool.Get(vertexId);
      context.IASetInputLayout(shader.inputLayout.get());
      context.VSSetShader(shader.vertexShader.get());
    }
    if (pixelId != pixel_) {
      pixel_ = pixelId;
      context.PSSetShader(model_.pixelShaderPool.Get(pixelId).pixelShader.get());
    }
  }

 private:
  const Model& model_;
  std::int32_t vertex_ = -1;
  std::int32_t pixel_ = -1;
};

// What shader resource 1 holds for the material: its sphere map, when the
// look draws them, or its sub-texture, which is part of the material's own
// picture and drawn in every look.
gpu::ShaderResourceView* SecondTextureOf(const Model& model, const Material& material) {
  const bool sphere = material.sphereMode == kSphereMultiply || material.sphereMode == kSphereAdd;
  if (!(sphere && model.look.sphereMaps) && material.sphereMode != kSphereSubTexture) return nullptr;
  if (!ValidIndex(material.sphereTextureId, model.texturePool.Size())) return nullptr;
  return model.texturePool.Get(material.sphereTextureId).shaderResourceView.get();
}

// The material's own toon file, else the built-in ramp of its shared toon.
gpu::ShaderResourceView* ToonRampOf(const Model& model, const Material& material) {
  if (!model.look.toonShading) return nullptr;
  if (ValidIndex(material.toonTextureId, model.texturePool.Size()))
    return model.texturePool.Get(material.toonTextureId).shaderResourceView.get();
  if (ValidIndex(material.toonIndex, model.builtInToonRamps.size()))
    return model.builtInToonRamps[static_cast<std::size_t>(material.toonIndex)].get();
  return nullptr;
}

// The outlines: each material's back faces, pushed outward across the screen
// by its edge size in pixels (times each vertex's edge scale), in its edge
// colour. Drawn after every material, with the plain pixel shader.
void DrawEdges(Model& model, ShaderBinder& shaders, const std::vector<Model::EdgeDraw>& edges) {
  if (edges.empty() || !model.edgeRasterizerState) return;
  const int plainShader = model.pixelShaderPool.Find(kPlainPixelShaderName);
  if (plainShader < 0) return;
  gpu::IGpuContext& context = *model.context;
  const float width = static_cast<float>(std::max(model.viewportWidth, 1));
  const float height = static_cast<float>(std::max(model.viewportHeight, 1));
  MaterialConstants& constants = model.materialConstants;
  context.RSSetState(model.edgeRasterizerState.get());
  for (const Model::EdgeDraw& edge : edges) {
    const Material& material = *edge.piece->material;
    shaders.Bind(material.vertexShaderId, plainShader);
    constants.effects = {0.0f, 0.0f, 0.0f, 1.0f};
    constants.edgeColor = edge.color;
    constants.edgeWidth = {2.0f / width * material.edgeSize, 2.0f / height * material.edgeSize,
                           width / 2.0f, height / 2.0f};
    context.UpdateSubresource(model.materialBuffer.get(), &constants);
    for (const FaceRange& range : edge.piece->ranges)
      context.DrawIndexed(range.faceCount * 3, range.firstFace * 3, 0);
  }
}

}  // namespace

int Model::Render() {
  if (loading || !context || !vertexBuffer) return 0;

  // The vertices go up when morphs moved them this frame, or when they went
  // back to rest since the last upload; a failed upload is tried again at
  // the next draw.
  if (!touchedVertices.empty() || restoredVerticesPending_) {
    gpu::MappedSubresource mapped;
    if (Succeeded(context->Map(vertexBuffer.get(), gpu::MapType::WriteDiscard, &mapped))) {
      const std::size_t count = std::min<std::size_t>(posedVertices.size(), vertexCount);
      std::memcpy(mapped.data, posedVertices.data(), count * sizeof(Vertex));
      context->Unmap(vertexBuffer.get());
      restoredVerticesPending_ = false;
    } else {
      restoredVerticesPending_ = true;
    }
  }
  if (!indexBuffer) return 0;  // vertices without faces: nothing to draw

  context->UpdateSubresource(transformBuffer.get(), &worldConstants);
  context->VSSetConstantBuffers(kWorldBufferSlot, transformBuffer.get());
  // The bone buffer was sized for the bone list; it is written only from a
  // matrix list of that size.
  if (!skinningMatrices.empty() && skinningMatrices.size() == bones.size())
    context->UpdateSubresource(boneBuffer.get(), skinningMatrices.data());
  context->VSSetConstantBuffers(kBoneBufferSlot, boneBuffer.get());
  // The pixel shaders read the material's effects from the same buffer.
  context->PSSetConstantBuffers(kMaterialBufferSlot, materialBuffer.get());

  context->IASetVertexBuffers(0, vertexBuffer.get(), vertexStride, vertexOffset);
  context->IASetIndexBuffer(indexBuffer.get(), DxgiFormat::R32_UINT, 0);
  context->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);

  const bool specularAfterTextures = look.MaterialEffects();
  ShaderBinder shaders(*this);
  std::vector<EdgeDraw>& edges = edgeDraws;
  edges.clear();
  for (const std::shared_ptr<Mesh>& mesh : meshes) {
    for (const Piece& piece : mesh->pieces) {
      const Material& material = *piece.material;
      // Ids come from the pools; a material whose shaders were never
      // assigned cannot be drawn.
      if (!ValidIndex(material.vertexShaderId, vertexShaderPool.Size()) ||
          !ValidIndex(material.pixelShaderId, pixelShaderPool.Size()))
        continue;
      shaders.Bind(material.vertexShaderId, material.pixelShaderId);

      materialConstants = FoldedColours(material);
      gpu::ShaderResourceView* second = SecondTextureOf(*this, material);
      gpu::ShaderResourceView* toon = ToonRampOf(*this, material);
      materialConstants.effects = {second != nullptr ? static_cast<float>(material.sphereMode) : 0.0f,
                                   toon != nullptr ? 1.0f : 0.0f,
                                   specularAfterTextures ? 1.0f : 0.0f, 0.0f};
      context->UpdateSubresource(materialBuffer.get(), &materialConstants);
      context->VSSetConstantBuffers(kMaterialBufferSlot, materialBuffer.get());

      context->RSSetState(rasterizerState.get());
      if (ValidIndex(material.textureId, texturePool.Size())) {
        context->PSSetShaderResources(
            kTextureSlot, texturePool.Get(material.textureId).shaderResourceView.get());
        context->PSSetSamplers(kTextureSlot, samplerState.get());
      }
      if (second != nullptr) {
        // A sub-texture repeats as a texture does; a sphere map's rim must
        // not wrap to its other side.
        context->PSSetShaderResources(kSecondTextureSlot, second);
        context->PSSetSamplers(kSecondTextureSlot, material.sphereMode == kSphereSubTexture
                                                       ? samplerState.get()
                                                       : rampSamplerState.get());
      }
      if (toon != nullptr) {
        context->PSSetShaderResources(kToonSlot, toon);
        context->PSSetSamplers(kToonSlot, rampSamplerState.get());
      }
      for (const FaceRange& range : piece.ranges)
        context->DrawIndexed(range.faceCount * 3, range.firstFace * 3, 0);

      // An invisible material gets no outline either.
      const Float4& color = materialConstants.edgeColor;
      const float alpha = color.w * std::min(materialConstants.diffuse.w, 1.0f);
      if (look.outlines && material.edgeFlag != 0 && material.edgeSize > 0.0f && alpha > 0.0f)
        edges.push_back({&piece, {color.x, color.y, color.z, alpha}});
    }
  }
  DrawEdges(*this, shaders, edges);
  return 0;
}

}  // namespace brivonel
