// What the oracle scripts share: three.js's MMD loader reading a model and a
// motion from files in node (no browser: textures are not loaded), the
// frame list of the command line, and bone poses written in the files'
// left-handed coordinates.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

import { Quaternion, Texture, Vector3 } from 'three';
import { MMDLoader } from 'three/addons/loaders/MMDLoader.js';

const require = createRequire(import.meta.url);
const { Parser } = require('mmd-parser');

// three.js warns that its MMD modules are deprecated; keep stdout for the result.
console.warn = () => {};

export function arrayBufferOf(path) {
  const bytes = readFileSync(path);
  return bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
}

// Ascending whole frame numbers from the command line, or the script ends
// with its usage.
export function parseFrames(texts, usage) {
  const frames = texts.map(Number);
  if (frames.length === 0 || frames.some((f, i) => !Number.isInteger(f) || f < 0 || (i > 0 && f <= frames[i - 1]))) {
    console.error(usage);
    console.error('frames must be ascending whole numbers');
    process.exit(2);
  }
  return frames;
}

// The parsed model, its mesh and the motion's clip for it. Each call parses
// the files again: the mesh builder changes the parsed rigid bodies in place.
export function loadModelAndMotion(modelPath, motionPath) {
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
  return { data, mesh, clip };
}

// "x y z qx qy qz qw": a bone's world position and rotation, turned from
// three.js's right-handed coordinates back into the files' (z negated:
// positions flip z, quaternions x and y).
export function worldPoseLine(bone) {
  const position = new Vector3();
  const rotation = new Quaternion();
  bone.matrixWorld.decompose(position, rotation, new Vector3());
  return `${position.x} ${position.y} ${-position.z} ${-rotation.x} ${-rotation.y} ${rotation.z} ${rotation.w}`;
}
