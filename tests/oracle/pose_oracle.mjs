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
// negated: positions flip z, quaternions x and y). Physics is off; textures
// are not loaded.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

import { Quaternion, Texture, Vector3 } from 'three';
import { MMDLoader } from 'three/addons/loaders/MMDLoader.js';
import { MMDAnimationHelper } from 'three/addons/animation/MMDAnimationHelper.js';

const require = createRequire(import.meta.url);
const { Parser } = require('mmd-parser');

// three.js warns that its MMD modules are deprecated; keep stdout for the result.
console.warn = () => {};

function arrayBufferOf(path) {
  const bytes = readFileSync(path);
  return bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
}

const [modelPath, motionPath, ...frameTexts] = process.argv.slice(2);
if (!modelPath || !motionPath || frameTexts.length === 0) {
  console.error('usage: node pose_oracle.mjs MODEL MOTION FRAME [FRAME ...]');
  process.exit(2);
}
const frames = frameTexts.map(Number);
if (frames.some((f, i) => !Number.isInteger(f) || f < 0 || (i > 0 && f <= frames[i - 1]))) {
  console.error('pose_oracle: frames must be ascending whole numbers');
  process.exit(2);
}

const parser = new Parser();
const loader = new MMDLoader();
// Texture files are not needed for poses, and loading them needs a browser.
loader.meshBuilder.materialBuilder._loadTexture = () => Object.assign(new Texture(), { readyCallbacks: [] });

const modelBuffer = arrayBufferOf(modelPath);
const data = modelPath.toLowerCase().endsWith('.pmd')
  ? parser.parsePmd(modelBuffer, true)
  : parser.parsePmx(modelBuffer, true);
const mesh = loader.meshBuilder.build(data, '', undefined, undefined);
const clip = loader.animationBuilder.build(parser.parseVmd(arrayBufferOf(motionPath), true), mesh);

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
let time = 0;
for (const frame of frames) {
  const target = frame / 30;
  helper.update(target - time);
  time = target;
  mesh.updateMatrixWorld(true);
  lines.push(`frame ${frame}`);
  for (const bone of bones) {
    const position = new Vector3();
    const rotation = new Quaternion();
    bone.matrixWorld.decompose(position, rotation, new Vector3());
    lines.push(`${position.x} ${position.y} ${-position.z} ${-rotation.x} ${-rotation.y} ${rotation.z} ${rotation.w}`);
  }
}
process.stdout.write(lines.join('\n') + '\n');
