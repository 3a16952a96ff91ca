// Bone poses of a model played by a motion with its rigid bodies and joints
// simulated, as three.js's MMD runtime simulates them on ammo.js (Bullet
// compiled to WebAssembly, shipped in three's package), for the physics
// tests to compare with; and the same bones without physics.
//
//   node physics_oracle.mjs MODEL MOTION BONES FRAME [FRAME ...]
//
// BONES: bone numbers in file order, separated by commas. The motion plays
// from frame 0 in steps of 1/30 s (one update per frame, as the program
// steps); at each requested frame the bones' world poses are printed.
// Prints lines of text: "bones K" and the K bone names; "physics on", then
// per frame "frame F" and K lines "x y z qx qy qz qw" (world position and
// rotation in the files' left-handed coordinates); then "physics off" and
// the same for the motion alone.
//
// The bodies start at rest where the bones put them at frame 0, as ours do:
// the helper's warm-up (a second of settling before the motion starts) is
// turned off, and the velocity left by the single step the helper takes
// while placing the bodies at frame 0 is cleared.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname } from 'node:path';
import { fileURLToPath } from 'node:url';

import { MMDAnimationHelper } from 'three/addons/animation/MMDAnimationHelper.js';

import { loadModelAndMotion, parseFrames, worldPoseLine } from './oracle_files.mjs';

const usage = 'usage: node physics_oracle.mjs MODEL MOTION BONE[,BONE ...] FRAME [FRAME ...]';
const [modelPath, motionPath, boneList, ...frameTexts] = process.argv.slice(2);
if (!modelPath || !motionPath || !boneList) {
  console.error(usage);
  process.exit(2);
}
const frames = parseFrames(frameTexts, usage);
const chosen = boneList.split(',').map(Number);

// ammo.js is a CommonJS file inside an ES-module package, which node will
// not require; it is evaluated as CommonJS here. Its WebAssembly is passed
// as bytes: node's fetch cannot read a file path.
async function loadAmmo() {
  const script = fileURLToPath(import.meta.resolve('three/examples/jsm/libs/ammo.wasm.js'));
  const module = { exports: {} };
  new Function('module', 'exports', 'require', '__filename', '__dirname', readFileSync(script, 'utf8'))(
    module, module.exports, createRequire(script), script, dirname(script));
  return module.exports({ wasmBinary: readFileSync(script.replace(/\.js$/, '.wasm')) });
}

function play(withPhysics) {
  const { mesh, clip } = loadModelAndMotion(modelPath, motionPath);
  const bones = mesh.skeleton.bones;
  if (chosen.some((b) => !Number.isInteger(b) || b < 0 || b >= bones.length)) {
    console.error(`physics_oracle: bone numbers must be below ${bones.length}`);
    process.exit(2);
  }
  const helper = new MMDAnimationHelper({ afterglow: 0.0 });
  helper.add(mesh, { animation: clip, physics: withPhysics, warmup: 0 });
  // Without physics the helper leaves the bones at rest until the first
  // update; with physics it has posed frame 0 already.
  if (!withPhysics) helper.update(0);
  if (withPhysics) {
    const zero = new Ammo.btVector3(0, 0, 0);
    for (const { body } of helper.objects.get(mesh).physics.bodies) {
      body.setLinearVelocity(zero);
      body.setAngularVelocity(zero);
    }
  }
  const lines = [withPhysics ? 'physics on' : 'physics off'];
  let frame = 0;
  for (const wanted of frames) {
    for (; frame < wanted; ++frame) helper.update(1 / 30);
    mesh.updateMatrixWorld(true);
    lines.push(`frame ${wanted}`);
    for (const b of chosen) lines.push(worldPoseLine(bones[b]));
  }
  return { names: chosen.map((b) => bones[b].name), lines };
}

globalThis.Ammo = await loadAmmo();
const simulated = play(true);
const still = play(false);
const out = [`bones ${chosen.length}`, ...simulated.names, ...simulated.lines, ...still.lines];
process.stdout.write(out.join('\n') + '\n');
