// World positions of a model's bones posed by a motion at given frames, as
// three.js's MMD animation runtime poses them (an implementation of the same
// formats that is independent of ours), for the pose tests to compare with.
//
//   node pose_oracle.mjs MODEL MOTION FRAME [FRAME ...]
//
// Prints lines of text: "bones N" and the N bone names in file order;
// "unapplied" and the numbers of the bones whose grant three.js does not
// apply as the file asks (translation and local grants, PMD
// rotation-influenced bones); then per frame "frame F" and N lines
// "x y z qx qy qz qw", each bone's world position and world rotation in the
// files' left-handed coordinates (three.js works right-handed, with z
// negated: positions flip z, quaternions x and y); after "unapplied",
// "morphs M" and the M names of the mesh's morph targets (one per morph of
// the file), and after each frame's poses a line "weights" and each
// target's weight at that frame. Physics is off; textures are not loaded.
import { MMDAnimationHelper } from 'three/addons/animation/MMDAnimationHelper.js';

import { loadModelAndMotion, parseFrames, worldPoseLine } from './oracle_files.mjs';

const usage = 'usage: node pose_oracle.mjs MODEL MOTION FRAME [FRAME ...]';
const [modelPath, motionPath, ...frameTexts] = process.argv.slice(2);
if (!modelPath || !motionPath) {
  console.error(usage);
  process.exit(2);
}
const frames = parseFrames(frameTexts, usage);
const { data, mesh, clip } = loadModelAndMotion(modelPath, motionPath);

const helper = new MMDAnimationHelper({ afterglow: 0.0 });
helper.add(mesh, { animation: clip, physics: false });

const bones = mesh.skeleton.bones;
const lines = [`bones ${bones.length}`, ...bones.map((bone) => bone.name)];
const unapplied = [];
data.bones.forEach((bone, i) => {
  const grant = bone.grant;
  if (grant && (grant.isLocal || grant.affectPosition)) unapplied.push(i);
  if (data.metadata.format === 'pmd' && bone.type === 5) unapplied.push(i);
});
lines.push(['unapplied', ...unapplied].join(' '));
const dictionary = mesh.morphTargetDictionary ?? {};
const morphNames = Object.keys(dictionary).sort((a, b) => dictionary[a] - dictionary[b]);
lines.push(`morphs ${morphNames.length}`, ...morphNames);
let time = 0;
for (const frame of frames) {
  const target = frame / 30;
  helper.update(target - time);
  time = target;
  mesh.updateMatrixWorld(true);
  lines.push(`frame ${frame}`);
  for (const bone of bones) lines.push(worldPoseLine(bone));
  lines.push(['weights', ...morphNames.map((name) => mesh.morphTargetInfluences[dictionary[name]])].join(' '));
}
process.stdout.write(lines.join('\n') + '\n');
