// The console in a Web Worker: it computes while the page stays responsive
// and shows what is printed. The page sends commands one at a time and
// answers the console's questions; see web_port.h for the other direction.
'use strict';

let running = false;
let reportPath = '';
let reportSent = 0;  // bytes of the report already sent to the page
let questions = 0;
let waited = 0;  // ms of the running command spent waiting for the page's answers
const session = Math.random().toString(36).slice(2);

// Asks the page and waits, synchronously, for its answer (service_worker.js).
// The page answers an input file with the file's bytes, which go into the
// working folder first.
function waitForAnswer(question) {
  const id = `${session}-${++questions}`;
  postMessage({ ...question, id });
  const asked = performance.now();
  for (;;) {
    const request = new XMLHttpRequest();
    request.open('GET', `tessaro-answer?id=${encodeURIComponent(id)}`, false);
    request.send();
    if (request.status === 200) {
      waited += performance.now() - asked;
      return request.responseText;
    }
    if (request.status !== 204) throw new Error(`no answer from the page (${request.status})`);
  }
}

const host = {
  post(message) { postMessage(message); },
  message(text) { waitForAnswer({ type: 'message', text }); },
  ask(prompt, position) { return waitForAnswer({ type: 'ask', prompt, position }); },
  choose(output) {
    const answer = waitForAnswer({ type: 'choose', output });
    if (output || answer === '') return answer;
    // An input: its name, a line end, and its bytes in base64.
    const cut = answer.indexOf('\n');
    const bytes = Uint8Array.from(atob(answer.slice(cut + 1)), (c) => c.charCodeAt(0));
    return storeInput(answer.slice(0, cut), bytes);
  },
  // Sends the bytes of the report written since the last call.
  report(path) {
    if (path !== reportPath) {
      reportPath = path;
      reportSent = 0;
      postMessage({ type: 'reportName', name: path.split('/').pop() });
    }
    let size;
    try {
      size = FS.stat(path).size;
    } catch (e) {
      return;
    }
    if (size <= reportSent) return;
    const bytes = new Uint8Array(size - reportSent);
    const stream = FS.open(path, 'r');
    FS.read(stream, bytes, 0, bytes.length, reportSent);
    FS.close(stream);
    reportSent = size;
    postMessage({ type: 'report', bytes }, [bytes.buffer]);
  },
};

// A chosen input goes into the working folder under its own name.
function storeInput(name, bytes) {
  let safe = String(name).replace(/[\/\\]/g, '_');
  if (safe === '' || safe === '.' || safe === '..') safe = 'input.txt';
  FS.writeFile(safe, bytes);
  return safe;
}

// "done" carries the command's own time, without the time the student
// took to answer its questions.
function runCommand(call) {
  running = true;
  waited = 0;
  const started = performance.now();
  try {
    call();
  } catch (e) {
    postMessage({ type: 'fatal', text: String(e && e.message ? e.message : e) });
  }
  running = false;
  postMessage({ type: 'done', ms: performance.now() - started - waited });
}

var Module = {
  host,
  noInitialRun: true,
  onRuntimeInitialized() {
    Module._tessaro_start();
    const layout = JSON.parse(UTF8ToString(Module._tessaro_layout()));
    postMessage({ type: 'ready', layout });
  },
  onAbort(what) {
    postMessage({ type: 'fatal', text: String(what) });
  },
  print(text) { console.log(text); },
  printErr(text) { console.warn(text); },
};

onmessage = (event) => {
  const m = event.data;
  // One command at a time: nothing enters the console while one runs.
  if (running) return;
  switch (m.type) {
    case 'press':
      runCommand(() => Module.ccall('tessaro_press', 'number', ['string'], [m.caption]));
      return;
    case 'station':
      runCommand(() => Module.ccall('tessaro_station_return', null, ['string'], [m.texts.join('\n')]));
      return;
    case 'hide':
      Module.ccall('tessaro_hide', null, ['string'], [m.name]);
      return;
  }
};

importScripts('tessaro.js');
