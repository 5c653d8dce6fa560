// Decodes the PNG files the command writes (8-bit RGB or RGBA, not
// interlaced) into raw RGBA bytes, so that tests compare pixels exactly.
import { inflateSync } from 'node:zlib';

const SIGNATURE = Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]);

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

function unfilter(data, width, height, bpp) {
  const stride = width * bpp;
  const out = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const type = data[y * (stride + 1)];
    const src = y * (stride + 1) + 1;
    const row = y * stride;
    for (let x = 0; x < stride; x++) {
      const a = x >= bpp ? out[row + x - bpp] : 0;
      const b = y > 0 ? out[row - stride + x] : 0;
      const c = x >= bpp && y > 0 ? out[row - stride + x - bpp] : 0;
      const predictor = [0, a, b, (a + b) >> 1, paeth(a, b, c)][type];
      if (predictor === undefined) throw new Error(`PNG: unknown filter ${type} in row ${y}`);
      out[row + x] = (data[src + x] + predictor) & 255;
    }
  }
  return out;
}

export function decodePng(file) {
  if (!file.subarray(0, 8).equals(SIGNATURE)) throw new Error('PNG: bad signature');
  let width = 0, height = 0, depth = 0, colorType = 0;
  const idat = [];
  for (let at = 8; at < file.length;) {
    const length = file.readUInt32BE(at);
    const type = file.toString('latin1', at + 4, at + 8);
    const body = file.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      depth = body[8];
      colorType = body[9];
      if (body[12] !== 0) throw new Error('PNG: interlaced files are not read');
    } else if (type === 'IDAT') {
      idat.push(body);
    }
    at += 12 + length;
  }
  const channels = { 2: 3, 6: 4 }[colorType];
  if (depth !== 8 || !channels) throw new Error(`PNG: only 8-bit RGB or RGBA (got depth ${depth}, colour type ${colorType})`);
  const pixels = unfilter(inflateSync(Buffer.concat(idat)), width, height, channels);
  if (channels === 4) return { width, height, rgba: pixels };
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0, j = 0; i < pixels.length; i += 3, j += 4) {
    rgba[j] = pixels[i]; rgba[j + 1] = pixels[i + 1]; rgba[j + 2] = pixels[i + 2]; rgba[j + 3] = 255;
  }
  return { width, height, rgba };
}
