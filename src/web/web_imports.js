// The functions that web_port.cpp imports. They run inside the worker and
// hand everything to Module.host (worker.js), where the three questions
// wait for the page's answer.
mergeInto(LibraryManager.library, {
  tessaro_js_message: function (text) {
    Module.host.message(UTF8ToString(text));
  },
  tessaro_js_ask: function (prompt, positioned, x, y) {
    return allocateUTF8(Module.host.ask(UTF8ToString(prompt), positioned ? { x, y } : null));
  },
  tessaro_js_choose: function (output) {
    return allocateUTF8(Module.host.choose(output !== 0));
  },
  tessaro_js_caption: function (name, caption) {
    Module.host.post({ type: 'caption', name: UTF8ToString(name), caption: UTF8ToString(caption) });
  },
  tessaro_js_window: function (name, shown) {
    Module.host.post({ type: 'window', name: UTF8ToString(name), shown: shown !== 0 });
  },
  tessaro_js_station_texts: function (texts) {
    Module.host.post({ type: 'station', texts: UTF8ToString(texts).split('\n').slice(0, 9) });
  },
  tessaro_js_place_help: function () {
    Module.host.post({ type: 'placeHelp' });
  },
  tessaro_js_end: function () {
    Module.host.post({ type: 'end' });
  },
  tessaro_js_surface: function (name, text) {
    Module.host.post({ type: 'surface', name: UTF8ToString(name), text: UTF8ToString(text) });
  },
  tessaro_js_picture: function (svg) {
    Module.host.post({ type: 'picture', svg: UTF8ToString(svg) });
  },
  tessaro_js_report: function (path) {
    Module.host.report(UTF8ToString(path));
  },
});
