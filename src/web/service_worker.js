// Carries the answers of the page's dialogs to the console in the worker.
// The worker waits for an answer in a synchronous request for
// "tessaro-answer?id=N"; this service worker holds the request until the page
// posts the answer with that id. A page needs no special headers for this
// (unlike shared memory), only a secure origin: https, or localhost.
'use strict';

const waiting = new Map();  // id -> respond(text)
const answers = new Map();  // id -> text that came before its request

self.addEventListener('install', () => self.skipWaiting());
self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

self.addEventListener('message', (event) => {
  const { id, text } = event.data;
  if (waiting.has(id)) {
    waiting.get(id)(text);
    waiting.delete(id);
  } else {
    answers.set(id, text);
  }
});

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (!url.pathname.endsWith('/tessaro-answer')) return;
  const id = url.searchParams.get('id');
  event.respondWith(new Promise((resolve) => {
    const respond = (text, status = 200) =>
      resolve(new Response(text, { status, headers: { 'Content-Type': 'text/plain; charset=utf-8',
                                                       'Cache-Control': 'no-store' } }));
    if (answers.has(id)) {
      respond(answers.get(id));
      answers.delete(id);
      return;
    }
    waiting.set(id, respond);
    // Browsers end an event that lasts for minutes: the worker asks again.
    setTimeout(() => {
      if (waiting.get(id) === respond) {
        waiting.delete(id);
        respond('', 204);
      }
    }, 30000);
  }));
});
