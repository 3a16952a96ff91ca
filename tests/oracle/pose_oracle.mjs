// World positions of a model's bones posed by a motion at given frames, as
// three.js's MMD animation runtime poses them (an implementation of the same
// formats that is independent of ours), for the pose tests to compare with.
//
//   node pose_oracle.mjs MODEL MOTION FRAME [FRAME ...]
//
// Prints one JSON object: {"bones": [names in file order], "frames": [{"frame":
// F, "positions": [[x, y, z] per bone]}]}. Positions are in the files'
// left-handed coordinates (three.js works right-handed with z negated).
// Physics is off; textures are not loaded.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

import { Texture } from 'three';
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
const result = { bones: bones.map((bone) => bone.name), frames: [] };
let time = 0;
for (const frame of frames) {
  const target = frame / 30;
  helper.update(target - time);
  time = target;
  mesh.updateMatrixWorld(true);
  const positions = bones.map((bone) => {
    const e = bone.matrixWorld.elements;
    return [e[12], e[13], -e[14]];
  });
  result.frames.push({ frame, positions });
}
process.stdout.write(JSON.stringify(result) + '\n');
