// brivonel-inspect model FILE [--bench N]
#include <map>
#include <string>

#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "tools/inspect/inspect_support.h"
#include "tools/inspect/json_writer.h"

namespace brivonel::tools {
namespace {

// The bodies and joints the model simulates, and why it simulates none of
// the file's when it dropped them (null otherwise).
void PrintPhysics(const physics::PhysicsDescription& physics, const std::string& note,
                  JsonWriter& json) {
  json.Field("rigidBodies", physics.bodies.size());
  json.Field("joints", physics.joints.size());
  std::size_t byMode[3] = {};
  for (const physics::RigidBodyDescription& body : physics.bodies)
    ++byMode[static_cast<std::size_t>(body.mode)];
  json.Key("bodiesByMode").BeginObject();
  json.Field("followBone", byMode[0]);
  json.Field("dynamic", byMode[1]);
  json.Field("dynamicKeepsPlace", byMode[2]);
  json.EndObject();
  json.Key("physicsDropped");
  if (note.empty()) {
    json.Null();
  } else {
    json.String(note);
  }
}

void PrintModel(const DecodedModel& decoded) {
  const Model& model = *decoded.model;
  const Mesh* mesh = model.meshes.empty() ? nullptr : model.meshes[0].get();
  JsonWriter json;
  json.BeginObject();
  json.Field("format", decoded.format);
  json.Field("vertices", mesh != nullptr ? mesh->vertices.size() : 0);
  json.Field("faces", mesh != nullptr ? mesh->faceCount : 0);
  json.Key("materials").BeginArray();
  for (std::size_t i = 0; i < model.materials.size(); ++i) {
    const Material& m = model.materials[i];
    json.BeginObject();
    json.Field("name", m.name);
    json.Field("textureName", m.textureName);
    json.Field("textureId", m.textureId);
    json.Field("faces", mesh != nullptr ? mesh->pieces[i].faceCount : 0u);
    json.EndObject();
  }
  json.EndArray();
  json.Field("bones", model.bones.size());
  std::size_t ikChains = 0;
  for (const IkChain& chain : model.ikChains) ikChains += chain.links.empty() ? 0 : 1;
  json.Field("ikChains", ikChains);
  json.Field("morphs", model.morphs.size());
  std::map<int, std::size_t> kinds;
  for (const auto& [name, morph] : model.morphs) ++kinds[morph.kind];
  json.Key("morphKinds").BeginObject();
  for (const auto& [kind, count] : kinds) json.Field(std::to_string(kind), count);
  json.EndObject();
  PrintPhysics(model.physicsDescription, decoded.physicsNote, json);
  json.Key("textures").BeginArray();
  for (const std::u16string& name : decoded.textures) json.String(name);
  json.EndArray();
  json.Key("missingTextures").BeginArray();
  for (const TextureLookup& missing : decoded.missingTextures) {
    json.BeginObject();
    json.Field("name", missing.name);
    json.Field("path", missing.path);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  std::printf("%s\n", json.text().c_str());
}

}  // namespace

int RunModelCommand(const std::vector<std::string>& args) {
  const std::optional<FileOptions> options = ParseFileOptions(args, false);
  if (!options) return kExitUsage;
  return RunGuarded(options->file, [&] {
    if (options->bench == 0) {
      // The program draws a material whose texture is missing without it,
      // in silence; here each missing file is named.
      const DecodedModel decoded = DecodeModelFile(options->file, TextureLoading::kLoad);
      for (const TextureLookup& missing : decoded.missingTextures) {
        ReportWarning(options->file, MissingTextureWarning(missing));
      }
      if (!decoded.physicsNote.empty())
        ReportWarning(options->file, "warning: no physics: " + decoded.physicsNote);
      PrintModel(decoded);
      return kExitOk;
    }
    // Reading and building, as often as asked, without loading textures.
    std::uint64_t size = DecodeModelFile(options->file, TextureLoading::kSkip).fileSize;
    const double start = CpuSeconds();
    for (int i = 0; i < options->bench; ++i) {
      size = DecodeModelFile(options->file, TextureLoading::kSkip).fileSize;
    }
    PrintBench(options->bench, CpuSeconds() - start, size);
    return kExitOk;
  });
}

}  // namespace brivonel::tools
