// Strips of tessaro-make-strip oriented in the page in headless Chromium and
// by the native tessaro-script, the best of three runs each: 240
// photographs (about 10,000 image points) and 2,400 (about 100,000), where
// the start-up costs no longer count. In the page: the worker's time for the
// session's commands, the answering of their messages excluded; natively:
// the whole tessaro-script run. The reports must agree byte for byte.
//   node bench/web_strip.mjs SITE_DIR NATIVE_BIN_DIR [PHOTOGRAPHS...]
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, runInPage, runNative, serve } from '../src/web/test/session.mjs';

const [site, nativeBin, ...sizes] = process.argv.slice(2);
const best = (runs) => Math.min(...runs) / 1000;
const { server, url } = await serve(site);
const browser = await launch();
let same = true;
try {
  for (const photos of sizes.length ? sizes : ['240', '2400']) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaro-web-bench-'));
    const inputs = path.join(dir, 'inputs');
    fs.mkdirSync(inputs);
    spawnSync(path.resolve(nativeBin, 'tessaro-make-strip'), [photos, path.join(inputs, 'strip.txt')]);
    const strip = fs.readFileSync(path.join(inputs, 'strip.txt'), 'utf8');
    const points = strip.match(/^ [1-9][0-9]* [-0-9]/gm).length;
    const script = path.join(dir, 'strip.tss');
    fs.writeFileSync(script, 'Open-OutputFile strip-report.txt\nOpen Relative Orient strip.txt\n' +
                             'Enter Relative Orient Data\nProcess Relative Orient\nExit\n');
    const native = [];
    const page = [];
    const ready = [];
    for (let k = 0; k < 3; ++k) {
      const started = performance.now();
      runNative(nativeBin, script, [inputs], path.join(dir, 'native'));
      native.push(performance.now() - started);
      const out = path.join(dir, `web${k}`);
      fs.mkdirSync(out);
      const { reportName, readyMs, times } = await runInPage(browser, url, script, [inputs], out);
      page.push(times.reduce((sum, t) => sum + t.ms, 0));
      ready.push(readyMs);
      const report = (folder) => fs.readFileSync(path.join(folder, reportName));
      const agrees = reportName !== null && Buffer.compare(report(out), report(path.join(dir, 'native'))) === 0;
      same &&= agrees;
    }
    console.log(`strip of ${photos} photographs, ${points} image points: page ${best(page).toFixed(2)} s, ` +
                `native ${best(native).toFixed(2)} s: ${(best(page) / best(native)).toFixed(1)}x; ` +
                `page ready ${Math.min(...ready)}-${Math.max(...ready)} ms`);
    fs.rmSync(dir, { recursive: true, force: true });
  }
} finally {
  await browser.close();
  server.kill();
}
if (!same) console.log('the reports of the page and of tessaro-script differ');
process.exit(same ? 0 : 1);
