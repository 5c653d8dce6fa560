// The studio's keys (also listed in the page's help overlay). A field being
// typed in keeps its keys; checkboxes, sliders and buttons leave them to the studio.
export function installShortcuts(app) {
  window.addEventListener('keydown', (e) => {
    const mod = e.ctrlKey || e.metaKey;
    const key = e.key.toLowerCase();
    if (mod && key === 's') { e.preventDefault(); app.save(); return; }
    const typing = e.target.closest && e.target.closest('input[type=text], input[type=number], select, textarea');
    if (typing) return;
    if (mod && key === 'z') { e.preventDefault(); if (e.shiftKey) app.redo(); else app.undo(); return; }
    if (mod && key === 'y') { e.preventDefault(); app.redo(); return; }
    // The timeline's keys act on what was clicked last: the frame's selected
    // point, or the timeline's selected keys and the playhead.
    const onFrame = app.focusArea === 'viewer' && app.selected;
    if (mod && key === 'c' && app.focusArea === 'timeline') { e.preventDefault(); app.copySelectedKeys(); return; }
    if (mod && key === 'v' && app.focusArea === 'timeline') { e.preventDefault(); app.pasteKeys(); return; }
    if (mod) return;
    const step = e.shiftKey ? 10 : 1;
    const arrows = { arrowleft: [-step, 0], arrowright: [step, 0], arrowup: [0, -step], arrowdown: [0, step] };
    if (arrows[key] && onFrame) { e.preventDefault(); app.nudge(...arrows[key]); return; }
    if (arrows[key]) {
      e.preventDefault();
      if (arrows[key][0]) app.step(arrows[key][0]);
      else app.jumpKey(Math.sign(arrows[key][1]));
      return;
    }
    if (key === 'delete' || key === 'backspace') {
      e.preventDefault();
      if (app.focusArea === 'timeline') app.deleteSelectedKeys();
      else app.switchOffSelected();
      return;
    }
    if (key === ' ') { e.preventDefault(); app.player.toggle(); return; }
    if (key === 'home') { e.preventDefault(); app.setFrame(app.session.first); return; }
    if (key === 'end') { e.preventDefault(); app.setFrame(app.session.last); return; }
    if (key === '[' || key === ']') { app.jumpKey(key === '[' ? -1 : 1); return; }
    if (e.key === '?') { app.toggleHelp(); return; }
    if (key === 'escape') { app.toggleHelp(false); app.closeMenu(); return; }
    if (key === 'f') app.viewer.fit();
    else if (key === '1') app.viewer.actualSize();
    else if (key === 'b') app.setViewMode(app.viewer.mode === 'before' ? 'after' : 'before');
    else if (key === '\\') app.setViewMode(app.viewer.mode === 'split' ? 'after' : 'split');
    else if (key === ',') app.setFrame(Math.max(app.session.first, app.frame - 1));
    else if (key === '.') app.setFrame(Math.min(app.session.last, app.frame + 1));
  });
}
