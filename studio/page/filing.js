// The document's file: save, autosave while there are unsaved edits, and the
// offer to recover what an earlier session autosaved but never saved.
import { getJson, postJson } from './api.js';
import { sameDoc } from './document.js';

export const AUTOSAVE_MS = 5000;

export class DocumentFile {
  // app: { doc, history, changed(at), message(text), error(text), updateTitle() }
  constructor(app, opened) {
    this.app = app;
    this.saved = opened;
    this.autosaved = opened;
    setInterval(() => this.autosave(), AUTOSAVE_MS);
  }

  get dirty() { return !sameDoc(this.app.doc, this.saved); }

  async save() {
    const app = this.app;
    try {
      const doc = app.doc;
      const reply = await postJson('/api/save', { doc });
      this.saved = doc;
      this.autosaved = doc;
      app.updateTitle();
      app.message(`Saved ${reply.file}`);
    } catch (error) {
      app.error(error.message);
    }
  }

  async autosave() {
    const doc = this.app.doc;
    if (!this.dirty || doc === this.autosaved) return;
    try {
      await postJson('/api/autosave', { doc });
      this.autosaved = doc;
    } catch (error) {
      this.app.error(`Autosave: ${error.message}`);
    }
  }

  offerRecovery(banner) {
    const app = this.app;
    banner.hidden = false;
    banner.querySelector('.recover').onclick = async () => {
      try {
        const { doc } = await getJson('/api/recover');
        app.history.push(app.doc);
        app.doc = doc;
        banner.hidden = true;
        app.changed(performance.now());
        app.message('Recovered the autosaved edits (not saved yet)');
      } catch (error) {
        app.error(error.message);
      }
    };
    banner.querySelector('.discard').onclick = async () => {
      try {
        await postJson('/api/discard', {});
        banner.hidden = true;
      } catch (error) {
        app.error(error.message);
      }
    };
  }
}
