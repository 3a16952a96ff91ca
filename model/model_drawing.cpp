// Drawing the posed model: changed vertices are uploaded, the world and bone
// matrices written, and the pieces drawn material by material with their
// morph-adjusted colours.
#include <algorithm>
#include <cstring>

#include "model/model.h"
#include "render/constant_buffer.h"

namespace brivonel {

namespace {

Float4 MultiplyComponents(const Float4& a, const Float4& b) {
  return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w};
}

// The material's colours with its pending morph factors folded in: first the
// multiplying ones, then the adding ones.
MaterialConstants FoldedColours(const Material& material) {
  Float4 ambient = material.ambient;
  Float4 diffuse = material.diffuse;
  Float4 specular = material.specular;
  if (material.multiplyPending) {
    const MaterialFactors& f = material.multiplyFactors;
    diffuse = MultiplyComponents(diffuse, f.diffuse);
    ambient = MultiplyComponents(ambient, f.ambient);
    specular = MultiplyComponents(specular, f.specular);
  }
  if (material.addPending) {
    const MaterialFactors& f = material.addTerms;
    diffuse = Add(diffuse, f.diffuse);
    ambient = Add(ambient, f.ambient);
    specular = Add(specular, f.specular);
  }
  MaterialConstants constants;
  constants.ambient = {ambient.x, ambient.y, ambient.z, 0.0f};
  constants.diffuse = diffuse;
  constants.specular = specular;
  return constants;
}

bool ValidIndex(std::int32_t id, std::size_t size) {
  return id >= 0 && static_cast<std::size_t>(id) < size;
}

}  // namespace

int Model::Render() {
  if (loading || !context || !vertexBuffer) return 0;

  if (!touchedVertices.empty()) {
    gpu::MappedSubresource mapped;
    const bool uploaded =
        Succeeded(context->Map(vertexBuffer.get(), gpu::MapType::WriteDiscard, &mapped));
    if (uploaded) {
      const std::size_t count = std::min<std::size_t>(posedVertices.size(), vertexCount);
      std::memcpy(mapped.data, posedVertices.data(), count * sizeof(Vertex));
      context->Unmap(vertexBuffer.get());
    }
    // Every frame's morphs start again from the rest vertices; when the
    // upload failed the list is kept so that the next frame uploads.
    for (std::uint32_t number : touchedVertices) {
      if (number < posedVertices.size() && number < baseVertices.size())
        posedVertices[number] = baseVertices[number];
    }
    if (uploaded) touchedVertices.clear();
  }
  if (!indexBuffer) return 0;  // vertices without faces: nothing to draw

  context->UpdateSubresource(transformBuffer.get(), &worldConstants);
  context->VSSetConstantBuffers(kWorldBufferSlot, transformBuffer.get());
  // The bone buffer was sized for the bone list; it is written only from a
  // matrix list of that size.
  if (!skinningMatrices.empty() && skinningMatrices.size() == bones.size())
    context->UpdateSubresource(boneBuffer.get(), skinningMatrices.data());
  context->VSSetConstantBuffers(kBoneBufferSlot, boneBuffer.get());

  context->IASetVertexBuffers(0, vertexBuffer.get(), vertexStride, vertexOffset);
  context->IASetIndexBuffer(indexBuffer.get(), DxgiFormat::R32_UINT, 0);
  context->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);

  std::int32_t boundVertexShader = -1;
  std::int32_t boundPixelShader = -1;
  for (const std::shared_ptr<Mesh>& mesh : meshes) {
    for (const Piece& piece : mesh->pieces) {
      Material& material = *piece.material;
      // Ids come from the pools; a material whose shaders were never
      // assigned cannot be drawn.
      if (!ValidIndex(material.vertexShaderId, vertexShaderPool.Size()) ||
          !ValidIndex(material.pixelShaderId, pixelShaderPool.Size()))
        continue;
      if (material.vertexShaderId != boundVertexShader) {
        boundVertexShader = material.vertexShaderId;
        const VertexShaderInfo& shader = vertexShaderPool.Get(boundVertexShader);
        context->IASetInputLayout(shader.inputLayout.get());
        context->VSSetShader(shader.vertexShader.get());
      }
      if (material.pixelShaderId != boundPixelShader) {
        boundPixelShader = material.pixelShaderId;
        context->PSSetShader(pixelShaderPool.Get(boundPixelShader).pixelShader.get());
      }

      materialConstants = FoldedColours(material);
      material.multiplyPending = false;
      material.addPending = false;
      material.multiplyFactors = MaterialFactors{};
      material.addTerms = MaterialFactors{};
      context->UpdateSubresource(materialBuffer.get(), &materialConstants);
      context->VSSetConstantBuffers(kMaterialBufferSlot, materialBuffer.get());

      context->RSSetState(rasterizerState.get());
      if (ValidIndex(material.textureId, texturePool.Size())) {
        context->PSSetShaderResources(0,
                                      texturePool.Get(material.textureId).shaderResourceView.get());
        context->PSSetSamplers(0, samplerState.get());
      }
      for (const FaceRange& range : piece.ranges)
        context->DrawIndexed(range.faceCount * 3, range.firstFace * 3, 0);
    }
  }
  return 0;
}

}  // namespace brivonel
