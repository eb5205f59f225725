'use strict';
// Unpacks an .lzma stream (the "LZMA alone" format that xz and Python's lzma
// write): a 13-byte header (properties, dictionary size, unpacked size), then
// the range-coded data. The page carries its core packed so, about a sixth
// smaller than gzipped; browsers unpack only gzip and deflate themselves.
// Written after the format's reference decoder; typed arrays keep it to a
// few milliseconds for the core.

function unpackLzma(input) {
  const lc = input[0] % 9;
  const lp = Math.floor(input[0] / 9) % 5;
  const pb = Math.floor(input[0] / 45);
  let size = 0;
  for (let i = 0; i < 6; i++) size += input[5 + i] * 2 ** (8 * i);
  if (input[0] >= 225 || input[11] !== 0 || input[12] !== 0)
    throw new Error('lzma: not a stream of known size');
  const out = new Uint8Array(size);

  let at = 14; // the range coder's first byte is always 0
  let range = 0xffffffff;
  let code = 0;
  for (let i = 0; i < 4; i++) code = code * 256 + input[at++];

  const probabilities = (n) => new Uint16Array(n).fill(1024);
  const bit = (probs, i) => {
    const p = probs[i];
    const bound = (range >>> 11) * p;
    let b;
    if (code < bound) {
      range = bound;
      probs[i] = p + ((2048 - p) >> 5);
      b = 0;
    } else {
      range -= bound;
      code -= bound;
      probs[i] = p - (p >> 5);
      b = 1;
    }
    if (range < 0x1000000) {
      range *= 256;
      code = code * 256 + input[at++];
    }
    return b;
  };
  const direct = (count) => {
    let value = 0;
    while (count--) {
      range = range >>> 1;
      let b = 0;
      if (code >= range) {
        code -= range;
        b = 1;
      }
      value = value * 2 + b;
      if (range < 0x1000000) {
        range *= 256;
        code = code * 256 + input[at++];
      }
    }
    return value;
  };
  const tree = (probs, base, bits) => {
    let m = 1;
    for (let i = 0; i < bits; i++) m = (m << 1) | bit(probs, base + m);
    return m - (1 << bits);
  };
  const reverseTree = (probs, base, bits) => {
    let m = 1;
    let symbol = 0;
    for (let i = 0; i < bits; i++) {
      const b = bit(probs, base + m);
      m = (m << 1) | b;
      symbol |= b << i;
    }
    return symbol;
  };
  const lengthCoder = () => ({ choice: probabilities(2), low: probabilities(16 << 3), mid: probabilities(16 << 3),
                               high: probabilities(256) });
  const length = (coder, posState) => {
    if (!bit(coder.choice, 0))
      return tree(coder.low, posState << 3, 3);
    if (!bit(coder.choice, 1))
      return 8 + tree(coder.mid, posState << 3, 3);
    return 16 + tree(coder.high, 0, 8);
  };

  const literals = probabilities(0x300 << (lc + lp));
  const isMatch = probabilities(192);
  const isRep = probabilities(12);
  const isRepG0 = probabilities(12);
  const isRepG1 = probabilities(12);
  const isRepG2 = probabilities(12);
  const isRep0Long = probabilities(192);
  const slots = probabilities(4 << 6);
  const distances = probabilities(115);
  const align = probabilities(16);
  const matchLength = lengthCoder();
  const repLength = lengthCoder();
  const distance = (len) => {
    const slot = tree(slots, Math.min(len, 3) << 6, 6);
    if (slot < 4)
      return slot;
    const bits = (slot >>> 1) - 1;
    let d = (2 | (slot & 1)) * 2 ** bits;
    if (slot < 14)
      return d + reverseTree(distances, d - slot, bits);
    d += direct(bits - 4) * 16;
    return d + reverseTree(align, 0, 4);
  };

  let state = 0;
  let rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;
  let pos = 0;
  while (pos < size) {
    const posState = pos & ((1 << pb) - 1);
    if (!bit(isMatch, (state << 4) + posState)) {
      const previous = pos > 0 ? out[pos - 1] : 0;
      const base = 0x300 * (((pos & ((1 << lp) - 1)) << lc) + (previous >> (8 - lc)));
      let symbol = 1;
      if (state >= 7) {
        let matchByte = out[pos - rep0 - 1];
        do {
          const matchBit = (matchByte >> 7) & 1;
          matchByte <<= 1;
          const b = bit(literals, base + ((1 + matchBit) << 8) + symbol);
          symbol = (symbol << 1) | b;
          if (matchBit !== b)
            break;
        } while (symbol < 0x100);
      }
      while (symbol < 0x100) symbol = (symbol << 1) | bit(literals, base + symbol);
      out[pos++] = symbol - 0x100;
      state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
      continue;
    }
    let len;
    if (bit(isRep, state)) {
      if (pos === 0)
        throw new Error('lzma: corrupt stream');
      if (!bit(isRepG0, state)) {
        if (!bit(isRep0Long, (state << 4) + posState)) {
          state = state < 7 ? 9 : 11;
          out[pos] = out[pos - rep0 - 1];
          pos++;
          continue;
        }
      } else {
        let d;
        if (!bit(isRepG1, state)) {
          d = rep1;
        } else {
          if (!bit(isRepG2, state)) {
            d = rep2;
          } else {
            d = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = d;
      }
      len = length(repLength, posState);
      state = state < 7 ? 8 : 11;
    } else {
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      len = length(matchLength, posState);
      state = state < 7 ? 7 : 10;
      rep0 = distance(len);
      if (rep0 === 0xffffffff)
        break; // the end marker
    }
    if (rep0 >= pos)
      throw new Error('lzma: corrupt stream');
    for (let n = len + 2; n > 0 && pos < size; n--, pos++) out[pos] = out[pos - rep0 - 1];
  }
  if (pos !== size || at > input.length)
    throw new Error('lzma: corrupt stream');
  return out;
}
