// The render dialog: renders the document to files with the command's own
// code on the server. Output is an image sequence with a frame pattern or a
// video, chosen by its extension; range and resolution as the command takes
// them. While it runs: frames done of the total, frames per second, time
// left, and Cancel; when done, the path written; errors in the command's words.
import { getJson, postJson } from './api.js';

const POLL_MS = 250;
const KINDS = { png: 'PNG sequence', exr: 'EXR sequence', tif: 'TIFF sequence',
                mov: 'MOV video (ProRes 4444, alpha)', mkv: 'MKV video (FFV1, lossless)', mp4: 'MP4 video (H.264)' };

// "strand.####.png" with another kind: the extension changes, and a
// frame pattern is added for sequences or dropped for videos.
export function outputFor(path, kind) {
  const base = path.replace(/\.[A-Za-z0-9]+$/, '').replace(/\.(%0\dd|#+)$/, '');
  return ['mov', 'mkv', 'mp4'].includes(kind) ? `${base}.${kind}` : `${base}.####.${kind}`;
}

export function progressText(status) {
  const parts = [`${status.done} of ${status.total} frames`];
  if (status.fps) parts.push(`${status.fps.toFixed(1)} fps`);
  if (status.eta_s !== null && status.eta_s !== undefined) parts.push(`${Math.ceil(status.eta_s)} s left`);
  return parts.join(' · ');
}

export class ExportDialog {
  // app: { doc, session }
  constructor(dialog, app) {
    this.dialog = dialog;
    this.app = app;
    this.field = (name) => dialog.querySelector(`[name="${name}"]`);
    const kind = this.field('kind');
    for (const [value, text] of Object.entries(KINDS)) kind.append(new Option(text, value));
    this.field('output').value = 'strand.####.png';
    kind.addEventListener('change', () => { this.field('output').value = outputFor(this.field('output').value, kind.value); });
    this.field('first').value = String(app.session.first);
    this.field('last').value = String(app.session.last);
    dialog.querySelector('.start').addEventListener('click', () => this.start());
    dialog.querySelector('.cancel').addEventListener('click', () => this.cancel());
    dialog.querySelector('.close').addEventListener('click', () => dialog.close());
    this.status = { state: 'idle' };
  }

  open() {
    if (!this.dialog.open) this.dialog.showModal();
  }

  show(text, error = false) {
    const line = this.dialog.querySelector('.export-status');
    line.textContent = text;
    line.classList.toggle('error', error);
  }

  async start() {
    const body = { doc: this.app.doc, output: this.field('output').value.trim(),
                   frames: `${this.field('first').value}-${this.field('last').value}`,
                   downsample: Number(this.field('downsample').value) };
    this.status = { state: 'starting', done: 0 }; // not the last run's
    try {
      await postJson('/api/export', body);
      this.setRunning(true);
      this.show('Starting…');
      this.poll();
    } catch (error) {
      this.show(error.message, true);
    }
  }

  async cancel() {
    try {
      await postJson('/api/export/cancel', {});
    } catch (error) {
      this.show(error.message, true);
    }
  }

  setRunning(running) {
    this.dialog.querySelector('.start').disabled = running;
    this.dialog.querySelector('.cancel').disabled = !running;
  }

  async poll() {
    try {
      this.status = await getJson('/api/export');
    } catch (error) {
      this.setRunning(false);
      return this.show(error.message, true);
    }
    const s = this.status;
    const bar = this.dialog.querySelector('progress');
    bar.max = Math.max(1, s.total || 1);
    bar.value = s.done || 0;
    if (s.state === 'running') {
      this.show(progressText(s));
      setTimeout(() => this.poll(), POLL_MS);
      return;
    }
    this.setRunning(false);
    if (s.state === 'done') this.show(`Done: ${s.total} frames written to ${s.output}`);
    else if (s.state === 'cancelled') this.show(`Cancelled after ${s.done} of ${s.total} frames; whole frames kept in ${s.output}`);
    else if (s.state === 'failed') this.show(s.error, true);
  }
}
