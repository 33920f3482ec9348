// Helpers of the browser test: tones made with sox and lame, publishing
// through brelvano-cli, a loopback web server, headless Chromium, and the
// reading of the audio log into heard tracks.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repoRoot = path.resolve(here, '../..');

export function tempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// A sine tone with a slow tremolo (so the level bars move) as an MP3 with a title tag.
export function makeTone(folder, track) {
  const wav = path.join(folder, `${track.name}.wav`);
  const mp3 = path.join(folder, `${track.name}.mp3`);
  execFileSync('sox', ['-n', '-r', String(track.rate), '-c', '1', '-b', '16', wav,
    'synth', String(track.seconds), 'sine', String(track.freq), 'tremolo', '1.7', '60', 'gain', '-4']);
  execFileSync('lame', ['--quiet', '-b', '64', '--tt', track.title, '--ta', 'Brelvano test',
    '--tl', 'Tones', wav, mp3]);
  return mp3;
}

export function cli(...args) {
  const program = process.env.BRELVANO_CLI || path.join(repoRoot, 'build', 'brelvano-cli');
  return execFileSync(program, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

const contentTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.xml': 'text/xml',
  '.swf': 'application/x-shockwave-flash', '.flv': 'video/x-flv',
};

// Serves folder on 127.0.0.1; overrides maps a URL path to replacement text.
export async function serve(folder, overrides = {}) {
  const server = http.createServer((request, response) => {
    const urlPath = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    if (urlPath in overrides) {
      response.writeHead(200, { 'content-type': contentTypes[path.extname(urlPath)] || 'text/plain' });
      response.end(overrides[urlPath]);
      return;
    }
    const file = path.join(folder, path.normalize(urlPath).replace(/^(\.\.[/\\])+/, ''));
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, { 'content-type': contentTypes[path.extname(file)] || 'application/octet-stream' });
      response.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}`, close: () => new Promise((r) => server.close(r)) };
}

// Headless Chromium from Debian with a fresh profile; autoplay lets pages
// start sound without a click, otherwise a click on the page is required
// (headless Chromium ignores the policy switch and lets sound start
// anyway, so the policy is also imposed from page script).
export async function launchBrowser({ autoplay }) {
  const profile = tempDir('brelvano-chromium-');
  const args = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'];
  args.push(`--autoplay-policy=${autoplay ? 'no-user-gesture-required' : 'document-user-activation-required'}`);
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.BRELVANO_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args,
    viewport: { width: 800, height: 600 },
  });
  if (!autoplay) await context.addInitScript({ path: path.join(here, 'autoplay_denied.js') });
  await context.addInitScript({ path: path.join(here, 'audio_tap.js') });
  return {
    context,
    close: async () => {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

export const silentRms = 0.01;

// The log as runs of one sound: a track's name (its pitch within 3 %),
// "silence" or "other"; runs shorter than 300 ms (track changes) are
// folded into their neighbours.
export function segments(log, tracks) {
  const label = (s) => {
    if (s.rms < silentRms) return 'silence';
    const track = tracks.find((t) => Math.abs(s.freq - t.freq) / t.freq < 0.03);
    return track ? track.name : 'other';
  };
  const runs = [];
  for (const sample of log) {
    const name = label(sample);
    const last = runs[runs.length - 1];
    if (last && last.name === name) last.end = sample.t + 100;
    else runs.push({ name, start: sample.t, end: sample.t + 100 });
  }
  const kept = runs.filter((r) => r.end - r.start >= 300);
  const merged = [];
  for (const run of kept) {
    const last = merged[merged.length - 1];
    if (last && last.name === run.name) last.end = run.end;
    else merged.push({ ...run });
  }
  return merged;
}

// The tracks heard, in order; a track broken by a dropout of less than a
// second (a loaded machine's audio glitch) counts once.
export function heard(log, tracks) {
  const merged = [];
  for (const run of segments(log, tracks).filter((s) => s.name !== 'silence' && s.name !== 'other')) {
    const last = merged[merged.length - 1];
    if (last && last.name === run.name && run.start - last.end < 1000) last.end = run.end;
    else merged.push({ ...run });
  }
  return merged;
}

// Polls the page's audio log until done(log) holds or the time runs out.
export async function waitForAudio(page, done, timeoutMs) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const log = await page.evaluate(() => window.__audioLog);
    if (done(log) || Date.now() > end) return log;
    await page.waitForTimeout(250);
  }
}

// The player element Ruffle puts in place of the page's embed.
export async function playerBox(page) {
  const player = page.locator('ruffle-embed, ruffle-object, ruffle-player').first();
  await player.waitFor({ timeout: 15000 });
  return player.boundingBox();
}
