// Playback at the session's rate. The frame follows the clock, start +
// floor(elapsed * fps), and the screen shows the newest picture that has
// arrived for a frame the clock has reached: when rendering falls behind,
// frames are dropped, the clock never slows. Frames are asked for ahead of the
// clock, at most two requests in flight, and kept in the page's frame cache;
// once playing stops, the frames it skipped are asked for in the background
// (as prefetches, which the server puts behind any other render), so that a
// second pass over a short clip plays from memory.
import { postPicture } from './api.js';
import { makePicture } from './viewer.js';
import { parseRate } from './timeline.js';

const MAX_IN_FLIGHT = 2;
const MAX_AHEAD = 24; // frames asked for beyond where the clock will be

export class Player {
  // app: { session, doc, frame, tab, cache, stats, currentScale, pictureKey(frame, scale),
  //        show(picture, view, at), playFrame(frame), playState(playing) }
  constructor(app) {
    this.app = app;
    this.rate = parseRate(app.session.fps);
    this.playing = false;
    this.inFlight = new Map(); // slot -> frame
    this.latencyMs = 1000 / this.rate;
    this.log = []; // {frame, at} of every picture shown while playing
    this.seq = 0;
  }

  get busy() { return this.playing || this.inFlight.size > 0; }

  toggle() {
    if (this.playing) this.stop();
    else this.start();
  }

  start() {
    const s = this.app.session;
    this.startFrame = this.app.frame >= s.last ? s.first : this.app.frame;
    this.t0 = performance.now();
    this.shownFrame = this.startFrame - 1;
    this.nextAsk = this.startFrame;
    this.scale = this.app.currentScale;
    this.log = [];
    this.endedAt = null;
    this.failed = false;
    this.playing = true;
    this.app.playState(true);
    this.tick();
  }

  stop() {
    if (!this.playing) return;
    this.playing = false;
    cancelAnimationFrame(this.raf);
    this.app.playState(false);
    this.fillDoc = this.app.doc;
    this.fill();
  }

  // The first frame of the pass just played that is neither cached nor on its way.
  missing() {
    const asked = [...this.inFlight.values()];
    for (let f = this.startFrame; f <= this.reached; f++) {
      if (!asked.includes(f) && !this.app.cache.entries.has(this.app.pictureKey(f, this.scale))) return f;
    }
    return null;
  }

  fill() {
    // A pass longer than the cache holds would only evict itself; an edit ends the fill.
    if (this.playing || this.failed || this.app.doc !== this.fillDoc ||
        this.reached - this.startFrame + 1 > this.app.cache.capacity - 4) return;
    for (let slot = 0; slot < MAX_IN_FLIGHT; slot++) {
      const f = this.inFlight.has(slot) ? null : this.missing();
      if (f !== null) this.fetch(slot, f, true);
    }
  }

  clockFrame(now) {
    return this.startFrame + Math.floor(((now - this.t0) / 1000) * this.rate);
  }

  // Frames shown per second over the last second of playing.
  achievedFps(now) {
    const recent = this.log.filter((e) => e.at > now - 1000);
    const span = Math.min(1000, now - this.t0);
    return span > 0 ? (recent.length * 1000) / span : 0;
  }

  tick() {
    const now = performance.now();
    const last = this.app.session.last;
    const clock = this.clockFrame(now);
    const frame = Math.min(last, clock);
    this.app.playFrame(frame);
    for (let f = frame; f > this.shownFrame; f--) {
      const hit = this.app.cache.entries.get(this.app.pictureKey(f, this.scale));
      if (!hit) continue;
      this.app.show(hit, 'after', now);
      this.shownFrame = f;
      this.log.push({ frame: f, at: now });
      break;
    }
    this.reached = frame;
    if (clock >= last) {
      this.endedAt = now;
      this.stop();
      return;
    }
    this.ask(frame);
    this.raf = requestAnimationFrame(() => this.tick());
  }

  // Asks for the next frames the clock will reach once a reply is back,
  // skipping those cached or on their way.
  ask(frame) {
    const last = this.app.session.last;
    const lead = Math.round((this.latencyMs / 1000) * this.rate);
    let f = Math.max(this.nextAsk, frame + lead);
    for (let slot = 0; slot < MAX_IN_FLIGHT && f <= Math.min(last, frame + lead + MAX_AHEAD); slot++) {
      if (this.inFlight.has(slot)) continue;
      while (f <= last && (this.app.cache.entries.has(this.app.pictureKey(f, this.scale)) ||
                           [...this.inFlight.values()].includes(f))) f++;
      if (f > last) return;
      this.fetch(slot, f++);
    }
    this.nextAsk = f;
  }

  async fetch(slot, frame, prefetch = false) {
    const app = this.app;
    const key = app.pictureKey(frame, this.scale);
    const body = { doc: app.doc, frame, scale: this.scale, view: 'after', seq: ++this.seq, ...(prefetch && { prefetch }) };
    this.inFlight.set(slot, frame);
    app.stats.requests++;
    const started = performance.now();
    try {
      const raw = await postPicture('/api/render', body, `${app.tab}-play${slot}`);
      this.latencyMs = 0.7 * this.latencyMs + 0.3 * (performance.now() - started);
      app.cache.put(key, makePicture(raw, this.scale, key));
    } catch (error) {
      if (error.status !== 409) {
        app.error(error.message);
        this.failed = true;
        this.stop();
      }
    } finally {
      this.inFlight.delete(slot);
      if (!this.playing) this.fill(); // a slot is free: the fill goes on, or starts if both were busy at the stop
    }
  }
}
