// The page around the editor: its dialogs, the file chooser, downloads,
// dropped files, the help line, the leave-page question and the end message.
// The editor's C++ side calls vornPage (see src/platform/web/*.cpp); nothing
// here talks to the network but the registration of the page's offline copy
// (service-worker.js) and maps an installed app is opened with.
'use strict';

var Module = {
  canvas: document.getElementById('canvas'),
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); },
  // For the figures: when the module was compiled and main is about to run.
  onRuntimeInitialized: function () { vornPage.stats.runtimeReadyMs = performance.now(); },
};

var vornPage = (function () {
  const IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;
  const buttonSets = {
    0: [['OK', IDOK]],
    1: [['OK', IDOK], ['Cancel', IDCANCEL]],
    3: [['Yes', IDYES], ['No', IDNO], ['Cancel', IDCANCEL]],
    4: [['Yes', IDYES], ['No', IDNO]],
  };
  // What Esc answers; a Yes/No box has no Cancel, so there Esc does nothing.
  const escapeAnswer = { 0: IDOK, 1: IDCANCEL, 3: IDCANCEL, 4: null };

  const drops = [];  // files dropped on the page, read, waiting for the editor
  let openDialogs = 0;
  let ended = false;
  // Figures for the tests: frames shown, when the first one was, and the
  // time from the editor's last wake-up to each frame's swap (its work).
  const stats = { frames: 0, firstFrameMs: null, runtimeReadyMs: null, busyMs: 0 };
  let resumedAt = 0;

  function element(tag, props, children) {
    const e = document.createElement(tag);
    Object.assign(e, props || {});
    for (const c of children || []) e.append(c);
    return e;
  }

  // Shows a modal <dialog>; `build` fills it and calls finish(answer) once.
  function modal(className, build) {
    return new Promise(function (resolve) {
      const dialog = element('dialog', { className: className });
      let done = false;
      function finish(answer) {
        if (done) return;
        done = true;
        dialog.close();
        dialog.remove();
        openDialogs--;
        document.getElementById('canvas').focus();
        resolve(answer);
      }
      build(dialog, finish);
      document.body.append(dialog);
      openDialogs++;
      dialog.showModal();
    });
  }

  function messageBox(title, text, buttons) {
    const set = buttonSets[buttons] || buttonSets[0];
    const onEscape = buttons in escapeAnswer ? escapeAnswer[buttons] : IDOK;
    return modal('messageBox', function (dialog, finish) {
      const row = element('div', { className: 'buttons' });
      for (const [label, id] of set) {
        const b = element('button', { type: 'button', textContent: label });
        b.dataset.answer = String(id);
        b.addEventListener('click', function () { finish(id); });
        row.append(b);
      }
      dialog.append(element('h2', { textContent: title }), element('p', { textContent: text }), row);
      dialog.addEventListener('cancel', function (e) {
        e.preventDefault();
        if (onEscape !== null) finish(onEscape);
      });
      setTimeout(function () { row.firstChild.focus(); }, 0);
    });
  }

  function askSaveName(title, last) {
    return modal('saveDialog', function (dialog, finish) {
      const input = element('input', { type: 'text', value: last, spellcheck: false });
      const save = element('button', { type: 'submit', textContent: 'Save' });
      const cancel = element('button', { type: 'button', textContent: 'Cancel' });
      const form = element('form', {}, [element('h2', { textContent: title }),
        element('label', { textContent: 'File name' }), input,
        element('div', { className: 'buttons' }, [save, cancel])]);
      form.addEventListener('submit', function (e) {
        e.preventDefault();
        const name = input.value.trim();
        if (name) finish(name);
      });
      cancel.addEventListener('click', function () { finish(null); });
      dialog.addEventListener('cancel', function (e) { e.preventDefault(); finish(null); });
      dialog.append(form);
      setTimeout(function () { input.focus(); input.select(); }, 0);
    });
  }

  function readFile(file) {
    return file.arrayBuffer().then(function (buffer) {
      return { name: file.name.split('/').join('_'), bytes: new Uint8Array(buffer) };
    });
  }

  // The browser's own file chooser; null when cancelled. Browsers open it
  // only shortly after a key or click; when that moment has passed (the key
  // waited behind other work), the page first asks for a click of its own.
  function openFile(title, accept) {
    if (!navigator.userActivation || navigator.userActivation.isActive) return chooseFile(accept);
    return modal('openDialog', function (dialog, finish) {
      const choose = element('button', { type: 'button', textContent: 'Choose file' });
      const cancel = element('button', { type: 'button', textContent: 'Cancel' });
      choose.addEventListener('click', function () {
        dialog.close();
        chooseFile(accept).then(finish);
      });
      cancel.addEventListener('click', function () { finish(null); });
      dialog.addEventListener('cancel', function (e) { e.preventDefault(); finish(null); });
      dialog.append(element('h2', { textContent: title }), element('div', { className: 'buttons' }, [choose, cancel]));
      setTimeout(function () { choose.focus(); }, 0);
    });
  }

  function chooseFile(accept) {
    return new Promise(function (resolve) {
      const old = document.getElementById('fileInput');
      // A fresh input each time: choosing the same file again still reports.
      const input = element('input', { type: 'file', id: 'fileInput', hidden: true });
      if (accept) input.accept = accept;
      old.replaceWith(input);
      openDialogs++;
      let done = false;
      function finish(result) {
        if (done) return;
        done = true;
        openDialogs--;
        resolve(result);
      }
      input.addEventListener('change', function () {
        const file = input.files && input.files[0];
        if (!file) { finish(null); return; }
        readFile(file).then(finish, function () { finish(null); });
      });
      input.addEventListener('cancel', function () { finish(null); });
      input.click();
    });
  }

  function download(name, bytes) {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const a = element('a', { href: url, download: name });
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  function takeDrop() { return drops.length ? drops.shift() : null; }

  function frameShown() {
    const now = performance.now();
    if (stats.frames++ === 0) {
      stats.firstFrameMs = now;
      offerLinkMap();
      takeLaunchedFiles();
    } else {
      stats.busyMs += now - resumedAt;
    }
  }
  function resumed() { resumedAt = performance.now(); }

  // The line of keys, as the editor's command table gives it at start; an
  // item wraps to the next line whole.
  function showKeys(text) {
    const keys = document.getElementById('keys');
    keys.replaceChildren();
    text.split(' \u00b7 ').forEach(function (item, i) {
      if (i) keys.append(' \u00b7 ');
      keys.append(element('span', { className: 'key', textContent: item }));
    });
  }

  // The status line's text, as the editor drew it (empty while it is off),
  // for screen readers; the line of keys moves up off the strip it covers.
  const kStripPixels = 16;
  function showStatus(text) {
    document.getElementById('status').textContent = text;
    document.getElementById('help').style.bottom = text ? (kStripPixels / window.devicePixelRatio) + 'px' : '';
  }

  function end() {
    ended = true;
    document.getElementById('openLinkMap').classList.remove('shown');
    document.getElementById('ended').classList.add('shown');
    document.getElementById('help').classList.add('hidden');
    document.getElementById('status').textContent = '';
    document.getElementById('restart').focus();
  }

  // Dropped files: always taken from the browser (which would otherwise
  // leave the page to show the file), handed on only when no dialog is open.
  document.addEventListener('dragover', function (e) { e.preventDefault(); });
  document.addEventListener('drop', function (e) {
    e.preventDefault();
    if (openDialogs > 0 || ended || !e.dataTransfer) return;
    for (const file of e.dataTransfer.files) readFile(file).then(function (f) { drops.push(f); });
  });
  document.getElementById('canvas').addEventListener('contextmenu', function (e) { e.preventDefault(); });

  // Closing or reloading the tab with unsaved changes: the browser's own question.
  window.addEventListener('beforeunload', function (e) {
    if (ended || typeof Module._vorn_web_unsaved_changes !== 'function') return;
    if (Module._vorn_web_unsaved_changes()) {
      e.preventDefault();
      e.returnValue = '';
    }
  });

  function setHelp(hidden) {
    document.getElementById('help').classList.toggle('hidden', hidden);
    document.getElementById('showHelp').classList.toggle('shown', hidden);
    try { localStorage.setItem('vornHelpHidden', hidden ? '1' : ''); } catch (e) { /* storage off */ }
  }
  document.getElementById('hideHelp').addEventListener('click', function () { setHelp(true); });
  document.getElementById('showHelp').addEventListener('click', function () { setHelp(false); });
  let hidden = false;
  try { hidden = localStorage.getItem('vornHelpHidden') === '1'; } catch (e) { /* storage off */ }
  setHelp(hidden);
  document.getElementById('restart').addEventListener('click', function () { location.reload(); });

  // The map in a link: its 4096 bytes deflated by the browser and written in
  // base64url after "#map=". Nothing leaves the page: the link is the map.
  const kMapBytes = 4096, kMaxFragment = 16384;

  function toBase64url(bytes) {
    let text = '';
    for (const b of bytes) text += String.fromCharCode(b);
    return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }

  async function streamBytes(stream, limit) {
    const reader = stream.getReader();
    const parts = [];
    let total = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      total += value.length;
      if (limit && total > limit) { reader.cancel(); return null; }
      parts.push(value);
    }
    const out = new Uint8Array(total);
    let at = 0;
    for (const p of parts) { out.set(p, at); at += p.length; }
    return out;
  }

  async function mapLink() {
    Module._vorn_web_map_bytes();
    const bytes = Module.vornMapBytes;
    const packed = await streamBytes(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw')));
    return location.href.split('#')[0] + '#map=' + toBase64url(packed);
  }

  // The address's map, kept while the page may still offer it.
  let linkBytes = null;

  // At the first frame: when the start kept a recovered map instead of the
  // link's (its "save first?" question cancelled), a button offers the
  // link's map; it arrives as a dropped file would, asking again first.
  function offerLinkMap() {
    if (!linkBytes || typeof Module._vorn_web_link_map_declined !== 'function') return;
    if (!Module._vorn_web_link_map_declined()) {
      linkBytes = null;
      return;
    }
    document.getElementById('openLinkMap').classList.add('shown');
  }
  document.getElementById('openLinkMap').addEventListener('click', function () {
    if (ended || openDialogs > 0 || !linkBytes) return;
    drops.push({ name: 'shared map', bytes: linkBytes.slice() });
    document.getElementById('openLinkMap').classList.remove('shown');
    document.getElementById('canvas').focus();
  });

  // The bytes of the address's map, null when it has none; a broken one is
  // said in a message first (the editor then starts with a cleared map).
  async function sharedMap() {
    const hash = location.hash;
    if (!hash.startsWith('#map=')) return null;
    const text = hash.slice(5);
    let why = null, bytes = null;
    if (text.length > kMaxFragment) why = 'it is longer than 16 KiB';
    else if (!/^[A-Za-z0-9_-]+$/.test(text) || text.length % 4 === 1) why = 'it is not base64url';
    else {
      try {
        const packed = Uint8Array.from(atob(text.replace(/-/g, '+').replace(/_/g, '/')), function (c) { return c.charCodeAt(0); });
        bytes = await streamBytes(new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate-raw')), kMapBytes);
        if (!bytes || bytes.length !== kMapBytes) why = 'it does not hold a map of 4096 bytes';
      } catch (e) {
        why = 'it does not hold a map of 4096 bytes';
      }
    }
    if (!why) {
      linkBytes = bytes;
      return bytes;
    }
    await messageBox('VornGroundEditor', 'The map in this link cannot be opened: ' + why +
                     '.\nThe editor starts with a cleared map.', 0);
    return null;
  }

  document.getElementById('copyLink').addEventListener('click', async function () {
    if (ended || typeof Module._vorn_web_map_bytes !== 'function') return;
    const link = await mapLink();
    let copied = false;
    try {
      await navigator.clipboard.writeText(link);
      copied = true;
    } catch (e) { /* no clipboard here: the link is shown to copy by hand */ }
    stats.lastLink = link;
    if (!copied) await messageBox('Link to this map', link, 0);
    document.getElementById('canvas').focus();
  });

  // The installed app opened with map files (the manifest's file_handlers):
  // each arrives as a file dropped on the window. Asked for at the first
  // frame, when the editor's window takes drops; the browser keeps the files
  // until then.
  function takeLaunchedFiles() {
    if (!('launchQueue' in window)) return;
    window.launchQueue.setConsumer(function (params) {
      for (const handle of params.files || []) {
        handle.getFile().then(readFile).then(function (f) { drops.push(f); },
          function (e) { console.warn('launched file: ' + e); });
      }
    });
  }

  // The page's files kept by a service worker, so that once visited it starts
  // without a network. Browsers have none for file: pages.
  if ('serviceWorker' in navigator && window.isSecureContext) {
    window.addEventListener('load', function () {
      navigator.serviceWorker.register('service-worker.js').catch(function (e) { console.warn('offline copy: ' + e); });
    });
  }

  return { messageBox, askSaveName, openFile, download, takeDrop, frameShown, resumed, showKeys, showStatus,
           ended: end, stats, sharedMap };
})();
