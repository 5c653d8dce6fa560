// The path as the effect builds it: every point is smooth (the incoming handle
// is the user's Handle, the outgoing one its mirror through the point), and
// each segment is a cubic Bezier evaluated in the same order of operations as
// the effect, so the overlay lies exactly on the rendered stroke's centre line.

// The effect never evaluates the exact end points: t is clamped to this range.
export const MIN_T = 1e-10;
export const MAX_T = 0.9999999999;

export function clampParameter(t) {
  if (!(t < MAX_T)) return MAX_T; // NaN included
  if (t <= MIN_T) return MIN_T;
  return t;
}

// B(t) with u = 1 - t: ((P0*u + (3t)*P1)*u + (3t^2)*P2)*u + t^3*P3.
export function evaluate(p, t) {
  t = clampParameter(t);
  const u = 1.0 - t;
  const c1 = 3 * t;
  const c2 = 3 * (t * t);
  const c3 = (t * t) * t;
  return [
    ((p[0][0] * u + c1 * p[1][0]) * u + c2 * p[2][0]) * u + c3 * p[3][0],
    ((p[0][1] * u + c1 * p[1][1]) * u + c2 * p[2][1]) * u + c3 * p[3][1],
  ];
}

// One path vertex from a point and its handle. A handle on its point is moved
// by half a pixel so that no tangent has zero length.
export function makeVertex(point, handle) {
  let tanIn = handle;
  if (handle[0] === point[0] && handle[1] === point[1]) tanIn = [handle[0] + 0.5, handle[1] + 0.5];
  return { point, tanIn, tanOut: [2 * point[0] - tanIn[0], 2 * point[1] - tanIn[1]] };
}

// points: [{active, point, handle}] in path order. Returns the vertex list the
// effect draws (a closed path repeats its first vertex) and its segments as
// control-point quadruples.
export function buildPath(points, closed) {
  const vertices = points.filter((p) => p.active).map((p) => makeVertex(p.point, p.handle));
  if (closed && vertices.length >= 2) vertices.push(vertices[0]);
  const segments = [];
  for (let i = 0; i + 1 < vertices.length; i++) {
    const a = vertices[i];
    const b = vertices[i + 1];
    segments.push([a.point, a.tanOut, b.tanIn, b.point]);
  }
  return { vertices, segments };
}

// Positions along one segment at n + 1 evenly spaced parameters.
export function sampleSegment(p, n) {
  const out = [];
  for (let i = 0; i <= n; i++) out.push(evaluate(p, i / n));
  return out;
}
