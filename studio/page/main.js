// The studio page: loads the session, the parameter table and the document,
// then keeps the picture, the overlay and the panel in step with every edit.
// Edits are documents: each finished edit or gesture is one undo step.
import { getJson, postJson, postPicture, clock } from './api.js';
import { withValues, sameDoc, isKeyframed } from './document.js';
import { DocumentFile } from './filing.js';
import { installShortcuts } from './shortcuts.js';
import { StatusBar } from './status.js';
import { History } from './history.js';
import { LatestOnly, FrameCache } from './scheduler.js';
import { Viewer, makePicture } from './viewer.js';
import { PathOverlay } from './overlay.js';
import { ParamPanel } from './panel.js';
import { GradientEditor, isPathName } from './gradient.js';
import { Timeline, timeText } from './timeline.js';
import { Player } from './playback.js';
import { ExportDialog } from './exporter.js';
import { animate, makeConstant, moveKeys, deleteKeys, setEase, copyKeys, pasteKeys, keyFrames, keysOf } from './keys.js';

// The page keeps pictures up to this many bytes (less on a device reporting
// little memory), so that a short clip plays from memory. A picture costs its
// received bytes (the canvas on screen holds one more copy of the one shown).
const PAGE_CACHE_BYTES = Math.min(1024, (navigator.deviceMemory || 8) * 128) * 2 ** 20;

const $ = (selector) => document.querySelector(selector);

function findPoints(params) {
  const names = new Set(params.map((p) => p.name));
  return [...new Set(params.filter((p) => p.group).map((p) => p.group))]
    .filter((g) => ['Activate', 'Point', 'Handle'].every((l) => names.has(`${g}/${l}`)))
    .map((g, i) => ({ k: i + 1, group: g, active: `${g}/Activate`, point: `${g}/Point`, handle: `${g}/Handle` }));
}

class Studio {
  async start() {
    const [session, table, opened] = await Promise.all([
      getJson('/api/session'), getJson('/api/params'), getJson('/api/document')]);
    this.session = session;
    this.params = table.params;
    this.pointGroups = findPoints(this.params);
    this.closeName = this.params.find((p) => p.type === 'checkbox' && /^Close Path/.test(p.name))?.name;
    this.doc = opened.doc || {};
    this.status = new StatusBar($('#status-text'));
    this.frame = session.first;
    this.values = Object.fromEntries(this.params.filter((p) => 'default' in p).map((p) => [p.name, p.default]));
    this.ui = {};
    this.history = new History(500);
    this.gestureBefore = null;
    this.selected = null;
    this.previewScale = 1;
    this.draftScale = 2;
    this.tab = Math.random().toString(36).slice(2, 10);
    this.cache = new FrameCache(16);
    this.fitCache(this.previewScale);
    this.curves = new Map();
    this.curveLoaders = new Map();
    this.focusArea = null;
    this.screening = 0; // pictures on their way to the screen
    this.stats = { shown: [], scales: [], latencies: [], paint: [], requests: 0, pending: null, receivedAt: null };

    this.viewer = new Viewer($('#view'), session.width, session.height);
    this.viewer.onDrawn = () => this.drawn();
    this.overlay = new PathOverlay(this.viewer, this.overlayHost());
    this.panel = new ParamPanel($('#params'), this.params, this);
    this.gradient = new GradientEditor($('#gradient'), this.params, this);
    this.renderer = new LatestOnly((job, ready) => this.fetchPicture(job, ready), (raw, job) => this.received(raw, job),
                                   (error) => this.error(error.message));
    this.beforeLoader = new LatestOnly((job, ready) => this.fetchPicture(job, ready), (raw, job) => this.received(raw, job),
                                       (error) => this.error(error.message));
    this.stateLoader = new LatestOnly((job) => postJson('/api/state', { doc: job.doc, frame: job.frame }),
                                      (state, job) => this.stateArrived(state, job),
                                      (error, job) => this.stateFailed(error, job));
    this.file = new DocumentFile(this, this.doc);
    this.timeline = new Timeline($('#timeline'), this);
    this.player = new Player(this);
    this.exporter = new ExportDialog($('#export'), this);
    this.setupKeyMenu();
    this.setupBar();
    installShortcuts(this);
    this.expose();
    this.message('Drag the squares and discs on the frame; ? lists the keys');
    if (session.recovery) this.file.offerRecovery($('#recovery'));
    window.addEventListener('beforeunload', (e) => { if (this.file.dirty) e.preventDefault(); });
    this.changed(performance.now());
  }

  message(text) { this.status.message(text); }
  error(text) { this.status.error(text); }
  save() { return this.file.save(); }
  get gestureActive() { return this.gestureBefore !== null; }

  // --- edits -------------------------------------------------------------
  setLocal(changes) {
    this.refused = false;
    Object.assign(this.values, changes);
    this.doc = withValues(this.doc, changes, this.frame);
  }

  edit(changes) {
    if (this.gestureActive) return this.live(changes);
    const before = this.doc;
    this.setLocal(changes);
    if (sameDoc(before, this.doc)) return;
    this.history.push(before);
    this.changed(performance.now(), before);
  }

  beginGesture() {
    if (!this.gestureActive) this.gestureBefore = this.doc;
  }

  live(changes, at = performance.now()) {
    this.beginGesture();
    this.setLocal(changes);
    this.changed(at, undefined, Object.keys(changes));
  }

  endGesture(moved = true) {
    if (!this.gestureActive) return;
    const before = this.gestureBefore;
    this.gestureBefore = null;
    if (moved && !sameDoc(before, this.doc)) this.history.push(before);
    this.changed(performance.now(), moved ? before : undefined);
  }

  settle() { this.endGesture(true); }
  fail(message) { this.error(message); }

  cancelGesture() {
    if (!this.gestureActive) return;
    this.doc = this.gestureBefore;
    this.gestureBefore = null;
    this.changed(performance.now());
  }

  undo() { this.restore(this.history.undo(this.doc)); }
  redo() { this.restore(this.history.redo(this.doc)); }

  restore(doc) {
    if (!doc || this.gestureActive) return;
    this.doc = doc;
    this.changed(performance.now());
  }

  // Something in the document, the frame or the view changed: ask for the
  // state and the picture, redraw what is known now.
  // While a gesture lasts the page itself knows the values it sets, and the
  // values at the frame and the effect's control updates are asked for once
  // it ends: the server's lock then serves the gesture's pictures alone.
  // The names are those of the values a gesture just set.
  changed(at, revertTo, names) {
    if (!this.gestureActive) this.stateLoader.request({ doc: this.doc, frame: this.frame, revertTo });
    this.requestPicture(at);
    this.viewer.requestDraw();
    if (this.gestureActive && names) this.refreshEdited(names);
    else this.refreshAll();
  }

  refreshAll() {
    this.edited = null; // covers whatever a gesture's next display frame would have refreshed
    this.updateTitle();
    this.panel.update(this.values, this.ui, this.doc);
    this.gradient.refresh();
    this.timeline.draw();
    this.updateClock();
    for (const name of this.timeline.curveShown) this.requestCurve(name);
  }

  // A gesture's moves bring the rest of the page up to date once per display
  // frame, and only what the values edited can change: their panel rows, the
  // gradient unless only the path moved (its row never depends on the path),
  // the timeline and curves only for animated values. Done on every move, this
  // took the page's thread most of each frame while the pictures waited for it.
  // The gesture's end refreshes everything (refreshAll).
  refreshEdited(names) {
    const queued = this.edited;
    this.edited = new Set([...(queued || []), ...names]);
    if (queued) return;
    requestAnimationFrame(() => {
      const edited = this.edited;
      this.edited = null;
      if (!edited) return;
      this.updateTitle();
      this.panel.update(this.values, this.ui, this.doc, edited);
      if ([...edited].some((name) => !isPathName(name))) this.gradient.refresh();
      const animated = [...edited].filter((name) => isKeyframed(this.doc[name]));
      if (animated.length) this.timeline.draw();
      for (const name of animated) if (this.timeline.curveShown.has(name)) this.requestCurve(name);
    });
  }

  stateArrived(state, job) {
    if (job.doc !== this.doc || job.frame !== this.frame) return; // a newer one is on its way
    this.values = state.values;
    this.ui = state.ui || {};
    this.panel.update(this.values, this.ui, this.doc);
    this.gradient.refresh();
    this.viewer.requestDraw();
  }

  // A refused edit is taken back, and the effect's message shown.
  // The message stays until the next edit: the picture of the document taken
  // back, arriving after it, must not clear it.
  stateFailed(error, job) {
    if (job.doc === this.doc && job.revertTo && !this.gestureActive) {
      this.doc = job.revertTo;
      if (this.history.undoStack[this.history.undoStack.length - 1] === job.revertTo) this.history.undoStack.pop();
      this.changed(performance.now());
      this.refused = true;
    }
    this.error(error.message);
  }

  // --- pictures ----------------------------------------------------------
  // While a gesture lasts pictures come at the draft resolution (1/2 unless the
  // chosen preview is lower); the chosen one follows on release.
  get currentScale() {
    return this.gestureActive ? Math.max(this.draftScale, this.previewScale) : this.previewScale;
  }

  requestPicture(at) {
    const views = this.viewer.mode === 'split' ? ['after', 'before'] : [this.viewer.mode];
    for (const view of views) {
      const scale = this.currentScale;
      const key = JSON.stringify([view === 'before' ? null : this.doc, this.frame, scale, view]);
      const hit = this.cache.get(key);
      const loader = view === 'before' ? this.beforeLoader : this.renderer;
      if (hit) {
        loader.skip();
        this.show(hit, view, at, { seq: loader.shownSeq });
        continue;
      }
      loader.request({ doc: this.doc, frame: this.frame, scale, view, key, at });
    }
  }

  fetchPicture(job, ready) {
    return postPicture('/api/render', { doc: job.doc, frame: job.frame, scale: job.scale, view: job.view, seq: job.seq },
                       `${this.tab}-${job.view}`, ready, () => { this.stats.requests++; }, job.view === 'after');
  }

  received(raw, job) {
    this.stats.receivedAt = performance.now();
    if (raw.timing) raw.timing.received = clock();
    const screened = Boolean(raw.screened);
    delete raw.screened;
    const picture = makePicture(raw, job.scale, job.key);
    picture.seq = job.seq;
    this.cache.put(job.key, picture);
    this.show(picture, job.view, job.at, { seq: job.seq, screened });
  }

  // An after picture's latency is taken when it went on screen (the worker
  // says when); a before picture's when the next display frame draws it.
  show(picture, view, at, placing = {}) {
    const onScreen = this.viewer.show(picture, view, placing);
    if (view === 'after' || this.viewer.mode === 'before') {
      if (onScreen) {
        const reply = placing.screened ? picture.timing.painted - picture.timing.body : null;
        this.screening++;
        onScreen.then((shownAt) => {
          this.screening--;
          this.measured(shownAt - performance.timeOrigin - at, reply);
        });
      } else {
        this.stats.pending = at;
      }
      this.lastPicture = picture;
      this.stats.shown.push(picture.seq);
      this.stats.scales.push(picture.scale);
      if (this.stats.shown.length > 1000) {
        this.stats.shown.shift();
        this.stats.scales.shift();
      }
    }
    if (!this.refused) this.status.clearError();
  }

  // A shown picture's latency from its change, and the time from its reply
  // read to the screen (null: not a reply).
  measured(latency, reply) {
    this.stats.latencies.push(latency);
    if (this.stats.latencies.length > 5000) this.stats.latencies.shift();
    if (reply !== null) this.stats.paint.push(reply);
  }

  drawn() {
    if (this.stats.pending !== null) {
      const reply = this.stats.receivedAt !== null ? performance.now() - this.stats.receivedAt : null;
      this.measured(performance.now() - this.stats.pending, reply);
      this.stats.pending = null;
      this.stats.receivedAt = null;
    }
    const last = this.lastPicture;
    if (last && last !== this.infoPicture) {
      this.infoPicture = last;
      $('#render-info').textContent = `${last.width}×${last.height}${last.scale > 1 ? ` (1/${last.scale})` : ''}`;
    }
    $('#zoom-info').textContent = `${Math.round(this.viewer.zoom * 100)} %`;
  }

  // --- overlay -----------------------------------------------------------
  points() {
    return this.pointGroups.map((g) => ({ k: g.k, active: Boolean(this.values[g.active]),
                                          point: this.values[g.point], handle: this.values[g.handle] }))
      .filter((p) => Array.isArray(p.point) && Array.isArray(p.handle));
  }

  overlayHost() {
    const app = this;
    return {
      points: () => app.points(),
      closed: () => Boolean(app.closeName && app.values[app.closeName]),
      get selected() { return app.selected; },
      select: (k) => { app.selected = k; app.viewer.requestDraw(); },
      beginGesture: () => app.beginGesture(),
      updateGesture: (k, result, at) => app.live(app.pointChanges(k, result), at),
      endGesture: (moved) => app.endGesture(moved),
      cancelGesture: () => app.cancelGesture(),
      addPointAt: (x, y) => app.addPointAt(x, y),
    };
  }

  pointChanges(k, result) {
    const g = this.pointGroups[k - 1];
    const changes = {};
    if (result.point) changes[g.point] = result.point;
    if (result.handle) changes[g.handle] = result.handle;
    return changes;
  }

  addPointAt(x, y) {
    const g = this.pointGroups.find((q) => !this.values[q.active]);
    if (!g) return this.error(`All ${this.pointGroups.length} points are on: switch one off first (Delete)`);
    const p = this.values[g.point];
    const h = this.values[g.handle];
    const offset = Array.isArray(p) && Array.isArray(h) ? [h[0] - p[0], h[1] - p[1]] : [-40, 0];
    this.selected = g.k;
    this.edit({ [g.active]: true, [g.point]: [x, y], [g.handle]: [x + offset[0], y + offset[1]] });
  }

  nudge(dx, dy) {
    const p = this.points().find((q) => q.k === this.selected && q.active);
    if (!p) return;
    const g = this.pointGroups[p.k - 1];
    this.edit({ [g.point]: [p.point[0] + dx, p.point[1] + dy], [g.handle]: [p.handle[0] + dx, p.handle[1] + dy] });
  }

  switchOffSelected() {
    const g = this.pointGroups[this.selected - 1];
    if (g && this.values[g.active]) this.edit({ [g.active]: false });
  }

  updateTitle() {
    const name = this.session.file.split('/').pop();
    $('#file-name').textContent = name;
    $('#file-name').title = this.session.file;
    $('#dirty').hidden = !this.file.dirty;
    document.title = `${this.file.dirty ? '• ' : ''}${name} — Lustre Strand Studio`;
  }

  // --- chrome ------------------------------------------------------------
  setupBar() {
    const s = this.session;
    const frame = $('#frame');
    frame.min = String(s.first);
    frame.max = String(s.last);
    frame.value = String(this.frame);
    $('#frame-range').textContent = `${s.first}–${s.last} @ ${s.fps.replace(/\/1$/, '')} fps`;
    // What the effect is applied to: the input named on the command line
    // (a still serves every frame), or the built-in layer.
    $('#input-info').textContent = s.input ? `${s.input.split('/').pop()} (${s.input_kind})` : 'built-in layer';
    $('#input-info').title = s.input || 'no --input: the built-in layer';
    frame.addEventListener('change', () => this.setFrame(Number(frame.value)));
    const scale = $('#scale');
    for (const d of s.downsamples || [1, 2, 4]) {
      const option = document.createElement('option');
      option.value = String(d);
      option.textContent = d === 1 ? 'Full' : `1/${d}`;
      scale.append(option);
    }
    scale.addEventListener('change', () => {
      this.previewScale = Number(scale.value);
      this.fitCache(this.previewScale);
      this.changed(performance.now());
    });
    $('#view-mode').addEventListener('change', (e) => this.setViewMode(e.target.value));
    $('#fit').addEventListener('click', () => this.viewer.fit());
    $('#actual').addEventListener('click', () => this.viewer.actualSize());
    $('#undo').addEventListener('click', () => this.undo());
    $('#redo').addEventListener('click', () => this.redo());
    $('#save').addEventListener('click', () => this.save());
    $('#help-button').addEventListener('click', () => this.toggleHelp());
    $('#play').addEventListener('click', () => this.player.toggle());
    $('#first-frame').addEventListener('click', () => this.setFrame(s.first));
    $('#last-frame').addEventListener('click', () => this.setFrame(s.last));
    $('#prev-key').addEventListener('click', () => this.jumpKey(-1));
    $('#next-key').addEventListener('click', () => this.jumpKey(1));
    $('#render-button').addEventListener('click', () => this.exporter.open());
    this.viewer.canvas.addEventListener('pointerdown', () => { this.focusArea = 'viewer'; });
    $('#help').addEventListener('click', () => this.toggleHelp(false));
    // The position is written once per display frame: a write after each
    // move would make the next move's layout read force a layout.
    this.viewer.canvas.addEventListener('pointermove', (e) => {
      const rect = this.viewer.canvas.getBoundingClientRect();
      const [x, y] = this.viewer.toFrame(e.clientX - rect.left, e.clientY - rect.top);
      const queued = this.cursorText !== undefined;
      this.cursorText = `${Math.floor(x)}, ${Math.floor(y)}`;
      if (queued) return;
      requestAnimationFrame(() => {
        $('#cursor-info').textContent = this.cursorText;
        this.cursorText = undefined;
      });
    });
    this.updateTitle();
  }

  setFrame(frame) {
    const s = this.session;
    if (!Number.isInteger(frame) || frame < s.first || frame > s.last) {
      this.error(`Frame ${frame} is outside ${s.first}–${s.last}`);
      $('#frame').value = String(this.frame);
      return;
    }
    this.player.stop();
    this.frame = frame;
    $('#frame').value = String(frame);
    this.changed(performance.now());
  }

  step(by) {
    const s = this.session;
    this.setFrame(Math.min(s.last, Math.max(s.first, this.frame + by)));
  }

  // The previous (direction -1) or next (+1) frame holding a key of any parameter.
  jumpKey(direction) {
    const frames = keyFrames(this.doc).filter((f) => (direction < 0 ? f < this.frame : f > this.frame));
    if (frames.length) this.setFrame(direction < 0 ? frames.at(-1) : frames[0]);
  }

  updateClock() {
    $('#time').textContent = timeText(this.frame, this.player.rate);
  }

  // --- time --------------------------------------------------------------
  // As many pictures at this preview scale as the page's memory budget holds.
  fitCache(scale) {
    const bytes = 4 * Math.ceil(this.session.width / scale) * Math.ceil(this.session.height / scale);
    this.cache.capacity = Math.max(16, Math.floor(PAGE_CACHE_BYTES / bytes));
  }

  pictureKey(frame, scale) {
    return JSON.stringify([this.doc, frame, scale, 'after']);
  }

  // The player moved the playhead: values follow, the picture comes from the player.
  playFrame(frame) {
    const now = performance.now();
    $('#play-fps').textContent = `${this.player.achievedFps(now).toFixed(1)} fps`;
    if (frame === this.frame) return;
    this.frame = frame;
    $('#frame').value = String(frame);
    this.updateClock();
    this.timeline.draw();
    this.stateLoader.request({ doc: this.doc, frame });
  }

  playState(playing) {
    $('#play').textContent = playing ? '⏸' : '▶';
    if (!playing) {
      const log = this.player.log;
      const shown = `${log.length} frames shown, ${this.player.achievedFps(performance.now()).toFixed(1)} fps`;
      this.message(`Played to frame ${this.frame}: ${shown}`);
      this.changed(performance.now());
    }
  }

  // --- keys --------------------------------------------------------------
  // One undo step to a new document.
  editDoc(next) {
    const before = this.doc;
    if (this.gestureActive || sameDoc(before, next)) return;
    this.refused = false;
    this.history.push(before);
    this.doc = next;
    this.changed(performance.now(), before);
  }

  // A point's position and handle are keyed together, as a drag moves both.
  toggleKey(name) {
    const group = this.pointGroups.find((g) => g.point === name || g.handle === name);
    this.toggleKeys(group ? [group.point, group.handle] : [name]);
  }

  // Animating keys the values shown at this frame; switching back (when any
  // of them is animated) keeps them as constants.
  toggleKeys(names) {
    if (names.some((n) => this.values[n] === undefined)) return;
    if (!names.some((n) => keysOf(this.doc[n]).length)) {
      this.editDoc(names.reduce((doc, n) => (keysOf(doc[n]).length ? doc : animate(doc, n, this.values[n], this.frame)), this.doc));
      return;
    }
    const shown = names.map((n) => `${n} = ${[].concat(this.values[n]).join(', ')}`).join('; ');
    if (!window.confirm(`Remove the keys of ${names.join(' and ')}? The values at frame ${this.frame} stay at every frame: ${shown}.`)) return;
    this.editDoc(names.reduce((doc, n) => (keysOf(doc[n]).length ? makeConstant(doc, n, this.values[n]) : doc), this.doc));
  }

  get range() { return [this.session.first, this.session.last]; }

  moveSelectedKeys(delta) {
    this.editDoc(moveKeys(this.doc, this.timeline.selection, delta, this.range));
    this.timeline.afterMove(delta);
    this.timeline.draw();
  }

  deleteSelectedKeys() {
    const picks = this.timeline.selection;
    if (!picks.length) return false;
    this.editDoc(deleteKeys(this.doc, picks, (name) => this.values[name]));
    this.timeline.selection = [];
    this.timeline.draw();
    return true;
  }

  copySelectedKeys() {
    if (!this.timeline.selection.length) return;
    this.clipboard = copyKeys(this.doc, this.timeline.selection);
    this.message(`Copied ${this.clipboard.length} key(s); Ctrl+V pastes them at the playhead`);
  }

  pasteKeys() {
    if (this.clipboard?.length) this.editDoc(pasteKeys(this.doc, this.clipboard, this.frame, this.range));
  }

  setupKeyMenu() {
    const menu = $('#key-menu');
    menu.addEventListener('click', (e) => {
      const button = e.target.closest('button');
      if (!button) return;
      const picks = this.timeline.selection;
      if (button.dataset.ease) this.editDoc(setEase(this.doc, picks, button.dataset.ease));
      else if (button.dataset.action === 'copy') this.copySelectedKeys();
      else if (button.dataset.action === 'delete') this.deleteSelectedKeys();
      this.closeMenu();
    });
    window.addEventListener('pointerdown', (e) => { if (!menu.contains(e.target)) this.closeMenu(); });
  }

  keyMenu(x, y) {
    const menu = $('#key-menu');
    const eases = new Set(this.timeline.selection.map((p) => keysOf(this.doc[p.name]).find((k) => k.frame === p.frame)?.ease || 'linear'));
    for (const button of menu.querySelectorAll('[data-ease]')) button.classList.toggle('current', eases.has(button.dataset.ease));
    menu.hidden = false;
    const { width, height } = menu.getBoundingClientRect();
    menu.style.left = `${Math.min(x, window.innerWidth - width - 4)}px`;
    menu.style.top = `${Math.max(4, Math.min(y, window.innerHeight - height - 4))}px`;
  }

  closeMenu() { $('#key-menu').hidden = true; }

  wantCurve(name, on) {
    if (on) this.requestCurve(name);
    else this.curves.delete(name);
  }

  // A curve depends on the document only: moving the playhead asks nothing.
  requestCurve(name) {
    if (this.curves.get(name)?.doc === this.doc) return;
    if (!this.curveLoaders.has(name)) {
      this.curveLoaders.set(name, new LatestOnly(
        (job) => postJson('/api/curve', { doc: job.doc, name, first: this.session.first, last: this.session.last }),
        (curve, job) => { this.curves.set(name, { ...curve, doc: job.doc }); this.timeline.draw(); },
        (error) => this.error(error.message)));
    }
    this.curveLoaders.get(name).request({ doc: this.doc });
  }

  setViewMode(mode) {
    this.viewer.mode = mode;
    $('#view-mode').value = mode;
    this.changed(performance.now());
  }

  toggleHelp(show) {
    const help = $('#help');
    help.hidden = show === undefined ? !help.hidden : !show;
  }

  // What tests and the benchmark read: the bytes received for the picture on
  // screen, what was shown in which order, and whether all work is done.
  expose() {
    window.__studio = {
      app: this,
      get picture() { return studio.lastPicture; },
      stats: this.stats,
      explain: () => JSON.stringify({
        renderer: { busy: this.renderer.busy, pending: Boolean(this.renderer.pending), shown: this.renderer.shownSeq,
                    next: this.renderer.nextSeq },
        state: { busy: this.stateLoader.busy, shown: this.stateLoader.shownSeq, next: this.stateLoader.nextSeq },
        gesture: this.gestureActive, drawQueued: this.viewer.drawQueued, shownKey: this.lastPicture?.key,
        wantedKey: JSON.stringify([this.doc, this.frame, this.previewScale, 'after']),
        status: document.querySelector('#status-text').textContent }),
      idle: () => !this.player.busy && this.renderer.idle && this.beforeLoader.idle && this.stateLoader.idle &&
        !this.viewer.drawQueued && !this.gestureActive && !this.screening &&
        this.lastPicture?.key === JSON.stringify([this.doc, this.frame, this.previewScale, 'after']) &&
        this.stateLoader.shownSeq === this.stateLoader.nextSeq - 1,
    };
  }
}

const studio = new Studio();
studio.start().catch((error) => {
  const status = document.querySelector('#status-text');
  status.textContent = `The studio could not start: ${error.message}`;
  status.classList.add('error');
});
