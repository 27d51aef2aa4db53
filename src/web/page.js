// The page: the main window with its 33 buttons and status labels, the
// windows as movable panels, and the dialogs that answer the console's
// questions. The console itself runs in worker.js; this script only shows
// and forwards. One command at a time: while one runs, the buttons answer
// nothing, as the desktop program's do.
'use strict';

const started = performance.now();
let worker = null;
let questionId = null;  // the console's question being answered
const $ = (selector, root = document) => root.querySelector(selector);

let busy = true;  // until the console is ready
let ended = false;
const statusLabels = {};
const reportChunks = [];
let reportName = 'report.txt';
const reportDecoder = new TextDecoder('utf-8');

function setBusy(on) {
  busy = on;
  document.body.classList.toggle('busy', on);
}

function say(text) { $('#state').textContent = text; }

// --- the main window, from the console's own table of commands ---

function button(caption, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = caption;
  b.addEventListener('click', onClick);
  return b;
}

function heading(text) {
  const h = document.createElement('div');
  h.className = 'heading';
  h.textContent = text;
  return h;
}

function press(caption) {
  if (busy || ended) return;
  setBusy(true);
  worker.postMessage({ type: 'press', caption });
}

function setCaption(name, caption) {
  if (statusLabels[name]) {
    statusLabels[name].firstChild.textContent = caption;
    statusLabels[name].title = caption;
  } else if (name === 'Form1') {
    $('#Form1-caption').textContent = caption;
    document.title = caption;
  } else if (document.getElementById(name + '-caption')) {
    document.getElementById(name + '-caption').textContent = caption;
  }
}

function buildMainWindow(layout) {
  const captions = layout.captions;
  for (const id of ['Frame1', 'Frame2', 'Frame3', 'Frame4'])
    $(`#${id} > legend`).textContent = captions[id];
  const files = $('#Frame1 .files');
  files.append(heading(captions['Label3(0)']), document.createElement('span'),
               heading(captions['Label3(1)']));
  const opens = layout.commands.filter((c) => c.frame === 'Frame1' && c.kind !== 'close');
  const closes = layout.commands.filter((c) => c.kind === 'close');
  opens.forEach((c, row) => {
    const b = button(c.caption, () => press(c.caption));
    b.id = `Command${c.number}`;
    const status = document.createElement('div');
    status.className = 'status';
    status.id = c.label;
    status.append(document.createElement('span'));
    statusLabels[c.label] = status;
    b.style.gridRow = status.style.gridRow = String(row + 2);
    b.style.gridColumn = '1';
    status.style.gridColumn = '2';
    files.append(b, status);
    setCaption(c.label, captions[c.label]);
  });
  closes.forEach((c, row) => {
    const b = button(c.caption, () => press(c.caption));
    b.id = `Command${c.number}`;
    b.style.gridRow = String(row + 2);
    b.style.gridColumn = '3';
    files.append(b);
  });

  const columns = { Frame2: $('#Frame2 .column'), Frame3: $('#Frame3 .column'),
                    Frame4: $('#Frame4 .column') };
  columns.Frame2.append(heading(captions.Label4));
  columns.Frame3.append(heading(captions.Label6));
  let inResection = false;
  for (const c of layout.commands) {
    const column = columns[c.frame];
    if (!column) continue;
    if (c.frame === 'Frame3' && c.resection !== inResection) {
      inResection = c.resection;
      const gap = document.createElement('div');
      gap.className = 'gap';
      column.append(gap);
      if (inResection) column.append(heading(captions.Label5));
    }
    if (c.kind === 'information') {
      const gap = document.createElement('div');
      gap.className = 'gap';
      column.append(gap);
    }
    const b = button(c.caption, () => press(c.caption));
    b.id = `Command${c.number}`;
    column.append(b);
  }
  for (const name of ['Form1', 'BlackBoard', 'Form3', 'Form2']) setCaption(name, captions[name]);
}

// --- the panels: movable, closing one is its "Return" ---

let topZ = 10;
const placed = new Set();

function raise(panel) { panel.style.zIndex = String(++topZ); }

function placeFirstTime(panel) {
  if (placed.has(panel.id)) return;
  placed.add(panel.id);
  const main = $('#Form1').getBoundingClientRect();
  const x = window.scrollX, y = window.scrollY;
  if (panel.id === 'Form2') {
    // At the bottom of the window, clear of the buttons.
    panel.style.left = `${x + main.left}px`;
    panel.style.top = `${y + Math.max(main.bottom + 8, window.innerHeight - panel.offsetHeight - 8)}px`;
  } else if (main.right + 320 < window.innerWidth) {
    panel.style.left = `${x + main.right + 8}px`;
    panel.style.top = `${y + main.top}px`;
  } else {
    panel.style.left = `${x + main.left}px`;
    panel.style.top = `${y + main.bottom + 8}px`;
  }
}

function showPanel(id) {
  const panel = document.getElementById(id);
  panel.hidden = false;
  placeFirstTime(panel);
  raise(panel);
}

function hidePanel(id) { document.getElementById(id).hidden = true; }

function makeMovable(panel) {
  const bar = $('header', panel);
  bar.addEventListener('pointerdown', (e) => {
    if (e.target.closest('button')) return;
    const from = { x: e.clientX - panel.offsetLeft, y: e.clientY - panel.offsetTop };
    bar.setPointerCapture(e.pointerId);
    raise(panel);
    const move = (m) => {
      panel.style.left = `${Math.max(0, m.clientX - from.x)}px`;
      panel.style.top = `${Math.max(0, m.clientY - from.y)}px`;
    };
    const stop = () => {
      bar.removeEventListener('pointermove', move);
      bar.removeEventListener('pointerup', stop);
    };
    bar.addEventListener('pointermove', move);
    bar.addEventListener('pointerup', stop);
  });
  panel.addEventListener('pointerdown', () => raise(panel));
}

// The console's windows: hidden through the console, so that it knows.
function closeWindow(id) {
  if (busy || ended) return;
  worker.postMessage({ type: 'hide', name: id });
}

function setupPanels() {
  for (const panel of document.querySelectorAll('.panel')) makeMovable(panel);
  for (const id of ['BlackBoard', 'Form3']) {
    const panel = document.getElementById(id);
    $('.close', panel).addEventListener('click', () => closeWindow(id));
    $('.return', panel).addEventListener('click', () => closeWindow(id));
  }
  const form2 = $('#Form2');
  $('.close', form2).addEventListener('click', () => closeWindow('Form2'));
  const boxes = $('.boxes', form2);
  [' Xo', ' Yo', ' Zo', 'Omega', 'Phi', 'Kappa', 'S-xy', 'S-z', 'S-OmPhiKa'].forEach((text, i) => {
    const label = document.createElement('label');
    label.id = `Label1(${i})`;
    label.textContent = text;
    label.htmlFor = `Text1(${i})`;
    const box = document.createElement('input');
    box.type = 'text';
    box.id = `Text1(${i})`;
    box.autocomplete = 'off';
    box.spellcheck = false;
    boxes.append(label, box);
  });
  // "Return" (or Enter in a box) stores the nine texts.
  $('#Form2-form').addEventListener('submit', (e) => {
    e.preventDefault();
    if (busy || ended) return;
    const texts = [...boxes.querySelectorAll('input')].map((b) => b.value);
    setBusy(true);
    worker.postMessage({ type: 'station', texts });
  });
  for (const id of ['Report', 'Plot'])
    $('.close', document.getElementById(id)).addEventListener('click', () => hidePanel(id));
  $('#show-report').addEventListener('click', () => showPanel('Report'));
  $('#show-plot').addEventListener('click', () => {
    showPanel('Plot');
    showPicture();
  });
  $('#download-report').addEventListener('click', downloadReport);
  $('#Report .download').addEventListener('click', downloadReport);
  $('#Plot .save').addEventListener('click', savePicture);
}

function setSurface(name, text) {
  const view = name === 'Screen' ? $('#Screen') : $(`#${name} .surface`);
  // Keep the end in sight while lines are added, unless the user scrolled up.
  const atEnd = view.scrollTop + view.clientHeight >= view.scrollHeight - 4;
  view.textContent = text;
  if (name === 'BlackBoard' && atEnd) view.scrollTop = view.scrollHeight;
  if (name === 'Form3') view.scrollTop = 0;
}

// --- the report: as written, CR LF line ends included ---

function appendReport(bytes) {
  reportChunks.push(bytes);
  const view = $('#report-text');
  const atEnd = view.scrollTop + view.clientHeight >= view.scrollHeight - 4;
  view.append(reportDecoder.decode(bytes, { stream: true }).replace(/\r/g, ''));
  if (atEnd) view.scrollTop = view.scrollHeight;
  $('#download-report').disabled = false;
}

function downloadReport() {
  if (reportChunks.length === 0) return;
  download(new Blob(reportChunks, { type: 'text/plain' }), reportName);
}

function download(blob, name) {
  const url = URL.createObjectURL(blob);
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// --- the picture of the last operation, as the core drew it ---

let pictureText = '';
let pictureShown = true;  // the panel shows pictureText

// A long run redraws its picture often, and a strip's has thousands of
// marks: it is parsed only while the panel is open.
function setPicture(svg) {
  pictureText = svg;
  pictureShown = false;
  $('#Plot .save').disabled = false;
  if (!$('#Plot').hidden) showPicture();
}

// The document is the core's own (no scripts, no links); it is parsed as
// SVG, never as HTML, and anything that could run or load is dropped all
// the same before it joins the page.
function showPicture() {
  if (pictureShown) return;
  pictureShown = true;
  const parsed = new DOMParser().parseFromString(pictureText, 'image/svg+xml');
  const root = parsed.documentElement;
  if (root.localName !== 'svg' || parsed.querySelector('parsererror')) return;
  for (const el of root.querySelectorAll('script, foreignObject, a, image, use')) el.remove();
  for (const el of [root, ...root.querySelectorAll('*')])
    for (const attr of [...el.attributes])
      if (/^on/i.test(attr.name) || /href$/i.test(attr.name)) el.removeAttribute(attr.name);
  $('#plot-picture').replaceChildren(document.importNode(root, true));
}

// The file is the picture's text as the core wrote it, as tessaro-script's
// "plot" line writes it.
function savePicture() {
  if (!pictureText) return;
  download(new Blob([pictureText], { type: 'image/svg+xml' }), 'plot.svg');
}

// --- the console's questions, each in a modal dialog ---

// The answer goes through the service worker, since the console's worker
// waits in a synchronous request and takes no messages meanwhile.
function answer(text) {
  navigator.serviceWorker.controller.postMessage({ id: questionId, text });
}

function base64(bytes) {
  let text = '';
  const view = new Uint8Array(bytes);
  for (let i = 0; i < view.length; i += 0x8000)
    text += String.fromCharCode.apply(null, view.subarray(i, i + 0x8000));
  return btoa(text);
}

// Shows a dialog and calls done(value) once, with null for Cancel/Escape.
function openDialog(dialog, done, read) {
  const form = $('form', dialog);
  let settled = false;
  const finish = (value) => {
    if (settled) return;
    settled = true;
    form.onsubmit = null;
    dialog.oncancel = null;
    if (dialog.open) dialog.close();
    done(value);
  };
  form.onsubmit = (e) => { e.preventDefault(); finish(read ? read() : ''); };
  dialog.oncancel = (e) => { e.preventDefault(); finish(null); };
  const cancel = $('.cancel', dialog);
  if (cancel) cancel.onclick = () => finish(null);
  dialog.showModal();
  return finish;
}

function showMessage(text) {
  const dialog = $('#message-dialog');
  $('.text', dialog).textContent = text;
  // Escape closes a message as OK does.
  openDialog(dialog, () => answer(''));
  $('button', dialog).focus();
}

function askLine(prompt, position) {
  const dialog = $('#ask-dialog');
  const box = $('input', dialog);
  $('.text', dialog).textContent = prompt;
  box.value = '';
  dialog.classList.toggle('placed', !!position);
  if (position) {
    // Twips are 1/1440 inch; a CSS pixel is 1/96 inch.
    dialog.style.left = `${Math.min(position.x / 15, Math.max(0, window.innerWidth - 360))}px`;
    dialog.style.top = `${Math.min(position.y / 15, Math.max(0, window.innerHeight - 160))}px`;
  } else {
    dialog.style.left = dialog.style.top = '';
  }
  openDialog(dialog, (value) => answer(value === null ? '' : value), () => box.value);
  box.focus();
}

function chooseInput() {
  const dialog = $('#choose-dialog');
  const input = $('input', dialog);
  input.value = '';
  const finish = openDialog(dialog, (file) => {
    if (!file) return answer('');
    file.arrayBuffer().then((bytes) => answer(`${file.name}\n${base64(bytes)}`), () => answer(''));
  });
  input.onchange = () => finish(input.files[0] || null);
  input.focus();
  // Straight to the browser's file chooser where the click still counts as
  // the user's; otherwise the dialog's own button opens it.
  if (navigator.userActivation && navigator.userActivation.isActive && input.showPicker) {
    try { input.showPicker(); } catch (e) { /* the dialog stays */ }
  }
}

function chooseReport() {
  const dialog = $('#report-dialog');
  const box = $('input', dialog);
  box.value = 'report.txt';
  openDialog(dialog, (value) => {
    // A name only: the report has a folder of its own.
    const name = value === null ? '' : value.trim().split(/[\/\\]/).pop();
    answer(name === '.' || name === '..' ? '' : name);
  }, () => box.value);
  box.focus();
  box.select();
}

// --- messages from the console ---

function onWorkerMessage(event) {
  const m = event.data;
  if (m.id) questionId = document.body.dataset.question = m.id;
  switch (m.type) {
    case 'ready':
      buildMainWindow(m.layout);
      setBusy(false);
      document.body.dataset.readyMs = String(Math.round(performance.now()));
      document.body.dataset.startMs = String(Math.round(started));
      say('Ready');
      break;
    case 'caption': setCaption(m.name, m.caption); break;
    case 'window': (m.shown ? showPanel : hidePanel)(m.name); break;
    case 'station':
      [...document.querySelectorAll('#Form2 .boxes input')].forEach((box, i) => {
        box.value = m.texts[i] || '';
      });
      break;
    case 'placeHelp': {
      // The operation topics: upper left corner, the window's full height.
      const help = $('#Form3');
      placed.add('Form3');
      help.style.left = `${window.scrollX}px`;
      help.style.top = `${window.scrollY}px`;
      help.style.height = `${window.innerHeight - 2}px`;
      break;
    }
    case 'surface': setSurface(m.name, m.text); break;
    case 'reportName': reportName = m.name; break;
    case 'report': appendReport(m.bytes); break;
    case 'picture': setPicture(m.svg); break;
    case 'message': showMessage(m.text); break;
    case 'ask': askLine(m.prompt, m.position); break;
    case 'choose': (m.output ? chooseReport : chooseInput)(); break;
    case 'done':
      document.body.dataset.commandMs = String(m.ms);
      setBusy(false);
      say(ended ? 'The program has ended.' : 'Ready');
      break;
    case 'end':
      ended = true;
      for (const id of ['BlackBoard', 'Form3', 'Form2']) hidePanel(id);
      say('The program has ended. Download the report, or reload the page to start again.');
      break;
    case 'fatal':
      ended = true;
      setBusy(false);
      say(`Tessaro stopped: ${m.text}. Download the report, or reload the page.`);
      break;
  }
}

// The service worker must control the page before the console starts, so
// that the console's requests for answers reach it.
async function start() {
  if (!('serviceWorker' in navigator)) {
    say('Tessaro needs a browser with service workers, on an https:// or localhost address.');
    return;
  }
  await navigator.serviceWorker.register('service_worker.js');
  if (!navigator.serviceWorker.controller)
    await new Promise((resolve) => navigator.serviceWorker.addEventListener('controllerchange', resolve, { once: true }));
  worker = new Worker('worker.js');
  worker.onmessage = onWorkerMessage;
  worker.onerror = (e) => {
    ended = true;
    setBusy(false);
    say(`Tessaro could not start: ${e.message || 'the worker failed'}.`);
  };
}

setupPanels();
start().catch((e) => say(`Tessaro could not start: ${e.message || e}.`));
