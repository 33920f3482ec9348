// A published folder played by Brelvano's player movie in the Ruffle runtime
// in headless Chromium: what is heard (order, length and pitch of every
// track, the end of the playlist), what is drawn, and a visitor's first click.
//
// Needs brelvano-cli (BRELVANO_CLI, default build/brelvano-cli), sox, lame,
// /usr/bin/chromium and `npm ci`. BRELVANO_WEB_KEEP=DIR keeps pictures of the
// page there.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import {
  cli, heard, launchBrowser, makeTone, playerBox, segments, serve, silentRms, tempDir, waitForAudio,
} from './support.mjs';

// Distinct pitches; SWF tracks at two frame rates and two sampling rates, then FLV tracks.
const tracks = [
  { name: 'alpha', title: 'Alpha 440', freq: 440, rate: 44100, seconds: 3, fps: 12, format: 'swf' },
  { name: 'bravo', title: 'Bravo 660', freq: 660, rate: 22050, seconds: 3, fps: 12, format: 'swf' },
  { name: 'charlie', title: 'Charlie 523', freq: 523, rate: 44100, seconds: 3, fps: 30, format: 'swf' },
  { name: 'delta', title: 'Delta 784', freq: 784, rate: 22050, seconds: 3, fps: 30, format: 'flv' },
  { name: 'echo', title: 'Echo 349', freq: 349, rate: 44100, seconds: 3, fps: 30, format: 'flv' },
];

// Player layout (pixels from the player's top left corner).
const titleArea = { x: 12, y: 8, width: 376, height: 26 };
const barsArea = { x: 12, y: 60, width: 376, height: 90 };

let work;
let site;
let server;

// Publishes the tracks in two runs into one folder: the first makes the
// 12 fps movies, the second (at 30 fps) keeps those and adds the rest.
function publish(folder) {
  const mp3 = Object.fromEntries(tracks.map((t) => [t.name, makeTone(work, t)]));
  const project = (name, fps, list) => {
    const file = path.join(work, name);
    cli('new', '--overwrite', '--dest', folder, '--fps', String(fps), file, ...list.map((t) => mp3[t.name]));
    let text = fs.readFileSync(file, 'utf8');
    for (const t of list.filter((t) => t.format === 'flv')) {
      text = text.replace(`file="${mp3[t.name]}"`, `file="${mp3[t.name]}" fmt="flv"`);
    }
    fs.writeFileSync(file, text);
    return file;
  };
  cli('publish', project('slow.brv', 12, tracks.filter((t) => t.fps === 12)));
  cli('publish', project('all.brv', 30, tracks));
}

before(async () => {
  work = tempDir('brelvano-web-');
  site = path.join(work, 'site');
  publish(site);
  const playlist = fs.readFileSync(path.join(site, 'playlist.xml'), 'utf8');
  // A looping variant of the playlist with its last two tracks only.
  const lines = playlist.split('\n');
  const files = lines.filter((l) => l.includes('<FILE '));
  const looped = lines
    .filter((l) => !l.includes('<FILE ') || files.slice(-2).includes(l))
    .join('\n')
    .replace('loop="no"', 'loop="yes"');
  server = await serve(site, { '/looped/playlist.xml': looped });
  fs.symlinkSync(site, path.join(site, 'looped'));
});

after(async () => {
  await server?.close();
  if (work) fs.rmSync(work, { recursive: true, force: true });
});

function describe(log) {
  return segments(log, tracks)
    .map((s) => `${s.name} ${(s.start / 1000).toFixed(1)}-${(s.end / 1000).toFixed(1)}s`)
    .join(', ');
}

async function grab(page, box, area) {
  return page.screenshot({ clip: { x: box.x + area.x, y: box.y + area.y, width: area.width, height: area.height } });
}

// The title area as text, when tesseract is installed.
function readTitle(png) {
  try {
    execFileSync('which', ['tesseract'], { stdio: 'ignore' });
  } catch {
    return null;
  }
  const file = path.join(work, 'title.png');
  fs.writeFileSync(file, png);
  return execFileSync('tesseract', [file, '-', '--psm', '7'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
}

// While a track plays the level bars move: a later picture differs from the
// first. Several tries, because taking a picture can stall the renderer.
async function assertBarsMove(page, box, what) {
  const first = await grab(page, box, barsArea);
  for (let attempt = 0; attempt < 4; attempt += 1) {
    await page.waitForTimeout(700);
    if (!first.equals(await grab(page, box, barsArea))) return;
  }
  if (process.env.BRELVANO_WEB_KEEP) fs.writeFileSync(path.join(process.env.BRELVANO_WEB_KEEP, 'bars.png'), first);
  assert.fail(`the level bars move (${what})`);
}

// Pictures are taken only in the tests that do not time the tracks: reading
// the picture back stalls the software renderer and the sound with it.
test('published folder plays every track in order, then stops', async () => {
  // playall and loop follow the project defaults of "new": check what the page asks for.
  const settings = fs.readFileSync(path.join(site, 'playlist.xml'), 'utf8');
  assert.match(settings, /autostart="yes" playall="yes" loop="(yes|no)"/);
  const loopOff = settings.replace(/loop="yes"/, 'loop="no"');
  const browser = await launchBrowser({ autoplay: true });
  const local = await serve(site, { '/playlist.xml': loopOff });
  try {
    const page = await browser.context.newPage();
    await page.goto(`${local.url}/index.html`);
    const last = tracks[tracks.length - 1].name;
    const log = await waitForAudio(page, (l) => {
      const runs = segments(l, tracks);
      const end = runs[runs.length - 1];
      return runs.some((r) => r.name === last) && end.name === 'silence' && end.end - end.start > 4000;
    }, 60000);
    const order = heard(log, tracks);
    assert.deepEqual(order.map((s) => s.name), tracks.map((t) => t.name), describe(log));
    for (const segment of order) {
      const track = tracks.find((t) => t.name === segment.name);
      const seconds = (segment.end - segment.start) / 1000;
      assert.ok(Math.abs(seconds - track.seconds) <= 0.15 * track.seconds,
        `${track.name} heard for ${seconds.toFixed(2)} s, not ${track.seconds} s: ${describe(log)}`);
    }
    const afterLast = log.filter((s) => s.t > order[order.length - 1].end + 300);
    assert.ok(afterLast.length >= 30, describe(log));
    assert.ok(afterLast.every((s) => s.rms < silentRms), `silence after the last track: ${describe(log)}`);
  } finally {
    await local.close();
    await browser.close();
  }
});

test('with loop on, the first track follows the last', async () => {
  const browser = await launchBrowser({ autoplay: true });
  try {
    const page = await browser.context.newPage();
    await page.goto(`${server.url}/looped/index.html`);
    const box = await playerBox(page);
    await waitForAudio(page, (l) => heard(l, tracks).length > 0, 20000);
    await page.waitForTimeout(500);
    await assertBarsMove(page, box, 'spectrum script tags of an FLV track');
    const log = await waitForAudio(page, (l) => heard(l, tracks).length >= 3, 40000);
    assert.deepEqual(heard(log, tracks).slice(0, 3).map((s) => s.name), ['delta', 'echo', 'delta'], describe(log));
  } finally {
    await browser.close();
  }
});

test('without autoplay permission, one click on the player starts the sound', async (t) => {
  const browser = await launchBrowser({ autoplay: false });
  try {
    const page = await browser.context.newPage();
    await page.goto(`${server.url}/index.html`);
    const box = await playerBox(page);
    await page.waitForTimeout(4000);
    const before = await page.evaluate(() => window.__audioLog);
    // Should sound start anyway (a browser whose audio escapes the gate of
    // autoplay_denied.js), the click cannot be what starts it, and only what
    // follows the click is checked.
    const gated = before.every((s) => s.rms < silentRms);
    if (!gated) t.diagnostic(`sound started without a gesture in this browser: ${describe(before)}`);
    if (process.env.BRELVANO_WEB_KEEP) {
      await page.screenshot({ path: path.join(process.env.BRELVANO_WEB_KEEP, 'before-click.png') });
    }
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    const log = await waitForAudio(page, (l) => heard(l, tracks).length > 0, 15000);
    if (gated) assert.equal(heard(log, tracks)[0]?.name, 'alpha', describe(log));

    // What the visitor sees: moving bars, and each track's title. The next
    // track is counted from the one playing now, which is not the first
    // when the sound started before the click.
    await page.waitForTimeout(500);
    const title1 = await grab(page, box, titleArea);
    const playing = heard(await page.evaluate(() => window.__audioLog), tracks).length;
    await assertBarsMove(page, box, 's0..s31 of an SWF track');
    const next = tracks[playing];
    if (!next) {
      t.diagnostic(`the last track was already playing: ${describe(log)}`);
      return;
    }
    await waitForAudio(page, (l) => heard(l, tracks).length > playing, 15000);
    await page.waitForTimeout(500);
    const title2 = await grab(page, box, titleArea);
    assert.notDeepEqual(title1, title2, "the next track's title replaces the one before");
    const text = readTitle(title2);
    if (gated) assert.equal(next.name, 'bravo');
    if (text !== null) assert.match(text, new RegExp(next.title.split(' ')[0]), `tesseract read ${JSON.stringify(text)}`);
  } finally {
    await browser.close();
  }
});
