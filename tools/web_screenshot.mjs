// The README's picture of the page: the relative orientation example run in
// headless Chromium, with Temporary Results, the Plot and the Report beside
// the main window.
//   node tools/web_screenshot.mjs SITE_DIR OUTPUT.png
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch, runInPage, serve } from '../src/web/test/session.mjs';

const [site, output] = process.argv.slice(2);
const examples = path.join(path.dirname(fileURLToPath(import.meta.url)), '..', 'examples');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaro-web-shot-'));
const script = path.join(dir, 'shot.tss');
fs.writeFileSync(script, 'Open-OutputFile report.txt\nOpen Relative Orient relative.txt\n' +
                         'Enter Relative Orient Data\nProcess Relative Orient\n');

async function arrange(page) {
  await page.click('#show-plot');
  await page.click('#show-report');
  await page.evaluate(() => {
    const place = (id, left, top, width, height) => Object.assign(document.getElementById(id).style,
      { left: `${left}px`, top: `${top}px`, width: `${width}px`, height: `${height}px` });
    const main = document.getElementById('Form1').getBoundingClientRect();
    const right = main.right + 12, width = 1600 - right - 12;
    place('Plot', main.left, main.bottom + 12, main.width, 1000 - main.bottom - 24);
    place('BlackBoard', right, main.top, width, 470);
    place('Report', right, main.top + 482, width, 1000 - main.top - 494);
    document.getElementById('Report').style.zIndex = '99';
  });
  await page.screenshot({ path: output });
}

const { server, url } = await serve(site);
const browser = await launch();
try {
  await runInPage(browser, url, script, [examples], dir, { atEnd: arrange, viewport: { width: 1600, height: 1000 } });
} finally {
  await browser.close();
  server.kill();
  fs.rmSync(dir, { recursive: true, force: true });
}
