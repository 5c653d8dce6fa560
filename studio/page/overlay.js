// The path overlay over the frame, drawn with the effect's own curve, and the
// gestures on it: drag a point (its handle follows), drag a handle or its
// mirror (sets the tangent), Shift keeps a drag on one axis, Ctrl/Cmd snaps a
// handle's angle to 15 degrees, a drag on empty frame pans (or moves the
// before/after line in split view), a double-click switches on the next
// inactive point there.
import { buildPath, makeVertex, sampleSegment } from './bezier.js';

const HANDLE_PX = 9; // drawn size, CSS pixels
const HIT_PX = { mouse: 12, pen: 14, touch: 24 };
const SNAP = Math.PI / 12;

// Dyadic steps finer than a pixel when zoomed in keep saved numbers short.
export function quantum(zoom) {
  return 1 / 2 ** Math.max(0, Math.ceil(Math.log2(zoom)));
}

function snapTo(value, step) {
  return Math.round(value / step) * step;
}

// The new value(s) of a drag: kind 'point' moves point and handle together,
// 'handle' sets the handle, 'mirror' sets the mirrored handle (so the handle
// goes to the other side). delta is the pointer's move in frame pixels.
export function dragResult(kind, start, delta, { axis = false, snapAngle = false, step = 1 } = {}) {
  let [dx, dy] = delta;
  if (axis) {
    if (Math.abs(dx) >= Math.abs(dy)) dy = 0;
    else dx = 0;
  }
  const q = (v) => snapTo(v, step);
  if (kind === 'point') {
    const point = [q(start.point[0] + dx), q(start.point[1] + dy)];
    return { point, handle: [point[0] - start.point[0] + start.handle[0], point[1] - start.point[1] + start.handle[1]] };
  }
  const sign = kind === 'mirror' ? -1 : 1;
  const grab = kind === 'mirror'
    ? [2 * start.point[0] - start.handle[0], 2 * start.point[1] - start.handle[1]] : start.handle;
  let hx = grab[0] + dx - start.point[0];
  let hy = grab[1] + dy - start.point[1];
  if (snapAngle) {
    const length = Math.hypot(hx, hy);
    const angle = snapTo(Math.atan2(hy, hx), SNAP);
    hx = length * Math.cos(angle);
    hy = length * Math.sin(angle);
  }
  const fine = snapAngle ? 1 / 64 : step;
  return { handle: [snapTo(start.point[0] + sign * hx, fine), snapTo(start.point[1] + sign * hy, fine)] };
}

export class PathOverlay {
  // host: { points(): [{k, active, point, handle}], closed(), selected, select(k),
  //         beginGesture(), updateGesture(k, changes), endGesture(), cancelGesture(),
  //         addPointAt(x, y) }
  constructor(viewer, host) {
    this.viewer = viewer;
    this.host = host;
    this.gesture = null;
    this.hover = null;
    viewer.decorate = (ctx) => this.draw(ctx);
    const canvas = viewer.canvas;
    canvas.addEventListener('pointerdown', (e) => this.down(e));
    canvas.addEventListener('pointermove', (e) => this.move(e));
    canvas.addEventListener('pointerup', (e) => this.up(e));
    canvas.addEventListener('pointercancel', (e) => this.cancel(e));
    canvas.addEventListener('lostpointercapture', (e) => this.cancel(e));
    canvas.addEventListener('dblclick', (e) => this.doubleClick(e));
    canvas.addEventListener('wheel', (e) => viewer.wheel(e), { passive: false });
  }

  local(event) {
    const rect = this.viewer.canvas.getBoundingClientRect();
    return [event.clientX - rect.left, event.clientY - rect.top];
  }

  // The nearest grip within reach: {k, kind} or null. Points win over handles.
  hitTest(sx, sy, pointerType = 'mouse') {
    const reach = HIT_PX[pointerType] ?? HIT_PX.mouse;
    let best = null;
    for (const p of this.host.points()) {
      if (!p.active) continue;
      const v = makeVertex(p.point, p.handle);
      const grips = [['point', v.point], ['handle', v.tanIn], ['mirror', v.tanOut]];
      grips.forEach(([kind, at], rank) => {
        const [x, y] = this.viewer.toScreen(at[0], at[1]);
        const d = Math.hypot(x - sx, y - sy) + rank * 0.01;
        if (d <= reach && (!best || d < best.d)) best = { k: p.k, kind, d };
      });
    }
    return best;
  }

  // The line between before and after in split view can be dragged.
  nearSplit(sx) {
    const v = this.viewer;
    return v.mode === 'split' && Math.abs(v.toScreen(v.frameWidth * v.split, 0)[0] - sx) <= 6;
  }

  down(event) {
    if (this.gesture || (event.button !== 0 && event.button !== 1)) return;
    const [sx, sy] = this.local(event);
    const hit = event.button === 0 ? this.hitTest(sx, sy, event.pointerType) : null;
    this.viewer.canvas.setPointerCapture(event.pointerId);
    event.preventDefault();
    if (!hit && this.nearSplit(sx)) {
      this.gesture = { split: true, id: event.pointerId };
      return;
    }
    if (!hit) {
      this.gesture = { pan: true, id: event.pointerId, last: [sx, sy] };
      return;
    }
    const p = this.host.points().find((q) => q.k === hit.k);
    this.host.select(hit.k);
    this.gesture = { id: event.pointerId, kind: hit.kind, k: hit.k, origin: [sx, sy],
                     start: { point: p.point, handle: p.handle }, moved: false };
    this.host.beginGesture();
  }

  move(event) {
    const [sx, sy] = this.local(event);
    const g = this.gesture;
    if (!g || g.id !== event.pointerId) {
      const hover = this.hitTest(sx, sy, event.pointerType);
      this.viewer.canvas.style.cursor = hover ? 'pointer' : this.nearSplit(sx) ? 'ew-resize' : 'grab';
      return;
    }
    if (g.split) {
      this.viewer.split = Math.min(1, Math.max(0, this.viewer.toFrame(sx, sy)[0] / this.viewer.frameWidth));
      this.viewer.requestDraw();
      return;
    }
    if (g.pan) {
      this.viewer.panBy(sx - g.last[0], sy - g.last[1]);
      g.last = [sx, sy];
      return;
    }
    const zoom = this.viewer.zoom;
    const delta = [(sx - g.origin[0]) / zoom, (sy - g.origin[1]) / zoom];
    const result = dragResult(g.kind, g.start, delta, {
      axis: event.shiftKey, snapAngle: (event.ctrlKey || event.metaKey) && g.kind !== 'point', step: quantum(zoom) });
    g.moved = true;
    this.host.updateGesture(g.k, result, event.timeStamp);
  }

  up(event) {
    const g = this.gesture;
    if (!g || g.id !== event.pointerId) return;
    this.gesture = null;
    if (this.viewer.canvas.hasPointerCapture(event.pointerId)) this.viewer.canvas.releasePointerCapture(event.pointerId);
    if (!g.pan && !g.split) this.host.endGesture(g.moved);
  }

  cancel(event) {
    const g = this.gesture;
    if (!g || g.id !== event.pointerId) return;
    this.gesture = null;
    if (!g.pan && !g.split) this.host.cancelGesture();
  }

  doubleClick(event) {
    const [sx, sy] = this.local(event);
    if (this.hitTest(sx, sy, event.pointerType)) return;
    const [x, y] = this.viewer.toFrame(sx, sy);
    const step = quantum(this.viewer.zoom);
    this.host.addPointAt(snapTo(x, step), snapTo(y, step));
  }

  draw(ctx) {
    const points = this.host.points();
    const path = buildPath(points, this.host.closed());
    const screen = (p) => this.viewer.toScreen(p[0], p[1]);
    ctx.lineCap = 'round';
    ctx.lineJoin = 'round';
    // The curve, dark under light so it shows on any picture.
    for (const [width, colour] of [[3, 'rgba(0,0,0,0.55)'], [1.25, '#f2f2f2']]) {
      ctx.lineWidth = width;
      ctx.strokeStyle = colour;
      ctx.beginPath();
      for (const segment of path.segments) {
        sampleSegment(segment, 64).forEach((p, i) => {
          const [x, y] = screen(p);
          if (i === 0) ctx.moveTo(x, y);
          else ctx.lineTo(x, y);
        });
      }
      ctx.stroke();
    }
    const half = HANDLE_PX / 2;
    for (const p of points) {
      if (!p.active) continue;
      const v = makeVertex(p.point, p.handle);
      const [px, py] = screen(v.point);
      const [ix, iy] = screen(v.tanIn);
      const [ox, oy] = screen(v.tanOut);
      const selected = this.host.selected === p.k;
      const accent = selected ? '#ffcf4a' : '#f2f2f2';
      ctx.lineWidth = 1;
      ctx.strokeStyle = 'rgba(0,0,0,0.6)';
      ctx.beginPath(); ctx.moveTo(ix, iy); ctx.lineTo(ox, oy); ctx.stroke();
      ctx.strokeStyle = accent;
      ctx.setLineDash([3, 3]);
      ctx.beginPath(); ctx.moveTo(ix, iy); ctx.lineTo(ox, oy); ctx.stroke();
      ctx.setLineDash([]);
      // Handle: filled disc; mirror: hollow disc; point: square.
      for (const [x, y, filled] of [[ix, iy, true], [ox, oy, false]]) {
        ctx.beginPath();
        ctx.arc(x, y, half - 1, 0, 2 * Math.PI);
        ctx.fillStyle = filled ? accent : 'rgba(0,0,0,0.5)';
        ctx.fill();
        ctx.lineWidth = 1.5;
        ctx.strokeStyle = filled ? 'rgba(0,0,0,0.7)' : accent;
        ctx.stroke();
      }
      ctx.fillStyle = selected ? '#ffcf4a' : '#ffffff';
      ctx.strokeStyle = 'rgba(0,0,0,0.8)';
      ctx.lineWidth = 1.5;
      ctx.fillRect(px - half, py - half, HANDLE_PX, HANDLE_PX);
      ctx.strokeRect(px - half, py - half, HANDLE_PX, HANDLE_PX);
      ctx.font = '600 11px system-ui, sans-serif';
      ctx.fillStyle = '#f2f2f2';
      ctx.shadowColor = 'black';
      ctx.shadowBlur = 3;
      ctx.fillText(String(p.k), px + half + 3, py - half - 2);
      ctx.shadowBlur = 0;
    }
  }
}
