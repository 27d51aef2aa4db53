// Replays tessaro-script sessions through the page in headless Chromium,
// using only the page's own controls (buttons, file chooser, dialogs,
// the station values boxes), and compares with the native tessaro-script:
// the downloaded report byte for byte, and the transcript of messages,
// prompts, answers and window dumps line for line.
//   node session.mjs SITE_DIR NATIVE_BIN_DIR WORK_DIR SCRIPT:INPUT_DIR[:INPUT_DIR]...
// A session's inputs are the files of its folders; one launch of the
// browser runs every session, each in a fresh context.
// Exit status 0 when every session agrees.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import net from 'node:net';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

function freePort() {
  return new Promise((resolve) => {
    const server = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

export async function serve(dir) {
  const port = await freePort();
  const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1'],
                       { cwd: dir, stdio: 'ignore' });
  // Also when a failure ends the driver before it stops the server.
  process.on('exit', () => server.kill());
  for (let i = 0; i < 100; ++i) {
    const ok = await fetch(`http://127.0.0.1:${port}/index.html`).then((r) => r.ok, () => false);
    if (ok) return { server, url: `http://127.0.0.1:${port}/` };
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error('the static server did not start');
}

// What tessaro-script's "dump NAME" prints, read from the page.
async function dump(page, name) {
  const lines = await page.evaluate((name) => {
    const text = (el) => el.textContent.split('\n').slice(0, -1);
    const caption = (id) => document.getElementById(id).textContent;
    if (name === 'BlackBoard') return text(document.querySelector('#BlackBoard .surface'));
    if (name === 'Help') return text(document.querySelector('#Form3 .surface'));
    if (name === 'Console') return text(document.querySelector('#Screen'));
    if (name === 'Station values')
      return [...Array(9).keys()].map((k) => `Text1(${k}): ${document.getElementById(`Text1(${k})`).value}`);
    if (name === 'Labels') {
      const out = [`Form1: ${caption('Form1-caption')}`];
      for (const id of ['Label1(0)', 'Label1(1)', 'Label1(3)', 'Label2', 'Label7', 'Label8'])
        out.push(`${id}: ${document.getElementById(id).textContent}`);
      for (const id of ['BlackBoard', 'Form3', 'Form2']) out.push(`${id}: ${caption(`${id}-caption`)}`);
      return out;
    }
    return null;
  }, name);
  return [`--- ${name} ---`, ...lines, '--- end ---'];
}

// Answers dialogs until the command has ended.
async function finishCommand(page, state) {
  for (;;) {
    await page.waitForFunction(() => !document.body.classList.contains('busy') ||
                                     document.querySelector('dialog[open]'));
    // Read again at once: a dialog that was open may have been answered
    // meanwhile (the file chooser answers itself), the command still running.
    const { busy, open } = await page.evaluate(() => {
      const d = document.querySelector('dialog[open]');
      return { busy: document.body.classList.contains('busy'),
               open: d && { id: d.id, text: (d.querySelector('.text') || {}).textContent,
                            question: document.body.dataset.question } };
    });
    if (!open && !busy) return;
    if (!open) continue;
    if (open.id === 'message-dialog') {
      state.transcript.push(`message: ${open.text}`);
      await page.keyboard.press(state.turn++ % 2 ? 'Enter' : 'Escape');
    } else if (open.id === 'ask-dialog') {
      state.transcript.push(`prompt: ${open.text}`);
      if (state.answers.length === 0) throw new Error(`a prompt with no queued answer: ${open.text}`);
      const reply = state.answers.shift();
      state.transcript.push(`answer: ${reply}`);
      if (reply === '') {
        if (state.turn++ % 2) await page.keyboard.press('Escape');
        else await page.click('#ask-dialog .cancel');
      } else {
        await page.keyboard.type(reply);
        await page.keyboard.press('Enter');
      }
    } else if (open.id === 'report-dialog') {
      if (state.file === '') {
        await page.keyboard.press('Escape');
      } else {
        await page.fill('#report-dialog input', state.file);
        await page.keyboard.press('Enter');
      }
    } else if (open.id === 'choose-dialog') {
      // The browser's chooser opens at once where the click still counts
      // as the user's (the filechooser handler answers it); otherwise the
      // dialog's own buttons open it or cancel.
      const closed = await page.waitForFunction(() => !document.getElementById('choose-dialog').open,
                                                null, { timeout: 1000 }).then(() => true, () => false);
      if (!closed) await page.click(state.file === '' ? '#choose-dialog .cancel' : '#choose-dialog input[type=file]');
    }
    // Answered: the dialog closed, or the next question reopened it.
    await page.waitForFunction(({ id, question }) => !document.getElementById(id).open ||
                                 document.body.dataset.question !== question, open, { timeout: 10000 })
      .catch(() => { throw new Error(`the ${open.id} stayed open (${state.transcript.slice(-3).join(' | ')})`); });
  }
}

// "plot FILE": the Plot panel's "Save as SVG" writes FILE; the panel shows
// the same picture inline (counted by its residual marks).
async function savePicture(page, out, file) {
  if (await page.isHidden('#Plot')) await page.click('#show-plot');
  const download = page.waitForEvent('download');
  await page.click('#Plot .save');
  await (await download).saveAs(path.join(out, file));
  const shown = await page.evaluate(() =>
    document.querySelectorAll('#plot-picture svg [class~=residual]').length);
  await page.click('#Plot .close');
  return { file, shown };
}

// atEnd(page), when given, runs after the script's last line, before Exit.
export async function runInPage(browser, url, script, inputs, out, { atEnd, viewport } = {}) {
  const context = await browser.newContext({ acceptDownloads: true, ...(viewport && { viewport }) });
  const page = await context.newPage();
  const errors = [];
  const state = { transcript: [], answers: [], turn: 0, file: '', pictures: [], times: [] };
  page.on('pageerror', (e) => errors.push(String(e)));
  // No file: the browser's chooser is left with none, as a student who
  // closes it; the dialog's Cancel then answers.
  page.on('filechooser', (chooser) => chooser.setFiles(state.file ? inputPath(inputs, state.file) : []));
  await page.goto(url);
  await page.waitForFunction(() => document.body.dataset.readyMs);
  const captions = await page.evaluate(() =>
    [...document.querySelectorAll('#Form1 button')].map((b) => b.textContent));
  let ended = false;
  for (const raw of fs.readFileSync(script, 'utf8').split('\n')) {
    const line = raw.replace(/\r$/, '');
    if (line === '' || line.startsWith('#')) continue;
    if (line === 'answer' || line.startsWith('answer ')) {
      state.answers.push(line.slice(7));
    } else if (line.startsWith('dump ')) {
      state.transcript.push(...await dump(page, line.slice(5)));
    } else if (line.startsWith('plot ')) {
      state.pictures.push(await savePicture(page, out, line.slice(5)));
    } else if (line.startsWith('Station values:')) {
      const texts = line.slice('Station values:'.length).replace(/^ /, '').split('|');
      for (let k = 0; k < 9; ++k) await page.fill(`#Text1\\(${k}\\)`, texts[k]);
      await page.click('#Form2 .return');
      await finishCommand(page, state);
    } else {
      const caption = captions.find((c) => line === c || (c.startsWith('Open') && line.startsWith(`${c} `)));
      if (!caption) throw new Error(`unknown line: ${line}`);
      state.file = line.slice(caption.length + 1);
      // Keyboard: focus the button and press Enter, as a student without a mouse would.
      await page.getByRole('button', { name: caption, exact: true }).focus();
      await page.keyboard.press('Enter');
      await finishCommand(page, state);
      const said = await page.textContent('#state');
      if (!/^(Ready|The program has ended)/.test(said)) throw new Error(`after "${line}": ${said}`);
      // The worker's own time for the command, the dialogs' excluded.
      state.times.push({ line, ms: Number(await page.evaluate(() => document.body.dataset.commandMs)) });
      if (caption === 'Exit') ended = true;
    }
  }
  if (atEnd) await atEnd(page);
  if (!ended) {
    await page.click('button:text-is("Exit")');
    await finishCommand(page, state);
  }
  let reportName = null;
  if (await page.isEnabled('#download-report')) {
    const download = page.waitForEvent('download');
    await page.click('#download-report');
    const d = await download;
    reportName = d.suggestedFilename();
    await d.saveAs(path.join(out, reportName));
  }
  fs.writeFileSync(path.join(out, 'transcript.txt'), state.transcript.map((l) => `${l}\n`).join(''));
  const readyMs = Number(await page.evaluate(() => document.body.dataset.readyMs));
  await context.close();
  if (errors.length) throw new Error(`errors in the page: ${errors.join('; ')}`);
  return { reportName, readyMs, pictures: state.pictures, times: state.times };
}

function inputPath(inputs, file) {
  return inputs.map((dir) => path.join(dir, file)).find((f) => fs.existsSync(f)) || file;
}

export function runNative(nativeBin, script, inputs, dir) {
  fs.mkdirSync(dir, { recursive: true });
  for (const from of inputs)
    for (const f of fs.readdirSync(from)) fs.copyFileSync(path.join(from, f), path.join(dir, f));
  const r = spawnSync(path.resolve(nativeBin, 'tessaro-script'), [path.resolve(script)], { cwd: dir });
  fs.writeFileSync(path.join(dir, 'transcript.txt'), r.stdout);
  if (r.status !== 0) throw new Error(`native tessaro-script: ${r.stderr}`);
}

export function launch() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
}

async function main([site, nativeBin, work, ...sessions]) {
  const { server, url } = await serve(site);
  const browser = await launch();
  let failed = 0;
  try {
    for (const session of sessions) {
      const [script, ...inputs] = session.split(':');
      const name = path.basename(script, '.tss');
      const native = path.join(work, name, 'native');
      const web = path.join(work, name, 'web');
      fs.rmSync(path.join(work, name), { recursive: true, force: true });
      fs.mkdirSync(web, { recursive: true });
      runNative(nativeBin, script, inputs, native);
      const started = Date.now();
      const { reportName, readyMs, pictures } = await runInPage(browser, url, script, inputs, web);
      const problems = [];
      const same = (a, b) => fs.existsSync(a) && fs.existsSync(b) && Buffer.compare(fs.readFileSync(a), fs.readFileSync(b)) === 0;
      if (!same(path.join(native, 'transcript.txt'), path.join(web, 'transcript.txt')))
        problems.push('the transcripts differ');
      if (!reportName) problems.push('no report to download');
      else if (!same(path.join(native, reportName), path.join(web, reportName)))
        problems.push(`the reports ${reportName} differ`);
      for (const { file, shown } of pictures) {
        if (!same(path.join(native, file), path.join(web, file))) problems.push(`the pictures ${file} differ`);
        const marks = fs.readFileSync(path.join(native, file), 'utf8').match(/class="[^"]*\bresidual\b/g);
        if (shown !== (marks || []).length) problems.push(`the Plot panel shows ${shown} residuals, not ${file}'s`);
      }
      console.log(`${name}: ${problems.length ? problems.join(', ') : 'same bytes'} ` +
                  `(page ready ${readyMs} ms, session ${Date.now() - started} ms)`);
      if (problems.length) {
        ++failed;
        console.log(`  compare: diff ${native} ${web}`);
      }
    }
  } finally {
    await browser.close();
    server.kill();
  }
  return failed ? 1 : 0;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) process.exit(await main(process.argv.slice(2)));
