#pragma once
// The sample figure's geometry: a small stylised girl built from smooth
// parametric parts, each skinned to the bones it wraps.
#include "tools/sample_generator/figure.h"
#include "tools/sample_generator/surface.h"

namespace brivonel::samples {

// Material slots, in file order.
enum Slot : int { kFace = 0, kSkin, kCloth, kHair, kShoes, kRibbon, kSlotCount };

// Fills figure.materials with the materials of the slots above.
void BuildMaterials(Figure& figure);

// The parts that morphs move.
struct FaceParts {
  SurfaceRange eyes[2];    // left, right
  SurfaceRange lids[2];    // collapsed along the eyes' upper edge at rest
  SurfaceRange mouth;
  std::vector<Vec3> lidsClosed[2];  // lid vertex positions with the eyes shut
  std::vector<Vec3> mouthOpen;      // mouth vertex positions for "あ"
  std::vector<Vec3> mouthWide;      // and for "い"
};

struct BodyParts {
  FaceParts face;
};

// Adds every part to the builder. Needs the skeleton.
void AddFace(const Figure& figure, MeshBuilder& mesh, FaceParts& face);
void AddHair(const Figure& figure, MeshBuilder& mesh);
void AddTorso(const Figure& figure, MeshBuilder& mesh);
void AddLimbs(const Figure& figure, MeshBuilder& mesh);

// Builds all geometry into figure.vertices, figure.indices and the materials' ranges.
BodyParts BuildBody(Figure& figure);

}  // namespace brivonel::samples
