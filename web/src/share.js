// Share links: the page's state in the URL fragment, which never leaves the
// browser.  "#src=DATA&name=NAME": DATA is the source as UTF-8, compressed
// with raw DEFLATE and written in base64url; NAME the file name shown.  The
// simulator's inputs follow when there are: test=, map= and mem= (the test
// file, the JMAP mapping and the memory image, packed as the source is),
// opt= (the options typed), loop=1 (--loop-to-address) and limit= (the
// cycle limit).

async function pipe(bytes, stream) {
  const out = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(out).arrayBuffer());
}

function toBase64Url(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
  return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function fromBase64Url(data) {
  const text = atob(data.replace(/-/g, '+').replace(/_/g, '/'));
  return Uint8Array.from(text, c => c.charCodeAt(0));
}

const pack = async text => toBase64Url(await pipe(new TextEncoder().encode(text), new CompressionStream('deflate-raw')));
const unpack = async data =>
  new TextDecoder('utf-8', {fatal: true}).decode(await pipe(fromBase64Url(data), new DecompressionStream('deflate-raw')));

// The packed texts: parameter -> field of the state.
const packed = {src: 'source', test: 'test', map: 'map', mem: 'memory'};

// The fragment, with its "#", for a source, its file name and the
// simulator's inputs ({test, map, memory, options, loop, limit}; empty
// ones and the default limit are left out).
export async function fragmentFor(state) {
  const params = new URLSearchParams();
  for (const [key, field] of Object.entries(packed))
    if (field === 'source' || state[field]) params.set(key, await pack(state[field] || ''));
  if (state.name) params.set('name', state.name);
  if (state.options) params.set('opt', state.options);
  if (state.loop) params.set('loop', '1');
  if (state.limit && String(state.limit) !== '10000000') params.set('limit', String(state.limit));
  return '#' + params.toString();
}

// {source, name, test, map, memory, options, loop, limit} from a fragment,
// or null when it carries no source.  Throws on a damaged link.
export async function readFragment(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  if (params.get('src') === null) return null;
  const state = {name: params.get('name') || null, options: params.get('opt') || '', loop: params.get('loop') === '1',
    limit: params.get('limit') || '10000000'};
  for (const [key, field] of Object.entries(packed)) state[field] = params.has(key) ? await unpack(params.get(key)) : '';
  return state;
}
