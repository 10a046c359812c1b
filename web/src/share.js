// Share links: the page's state in the URL fragment, which never leaves the
// browser.  "#src=DATA&name=NAME": DATA is the source as UTF-8, compressed
// with raw DEFLATE and written in base64url; NAME the file name shown.

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

// The fragment, with its "#", for a source and its file name.
export async function fragmentFor({source, name}) {
  const packed = await pipe(new TextEncoder().encode(source), new CompressionStream('deflate-raw'));
  const params = new URLSearchParams();
  params.set('src', toBase64Url(packed));
  if (name) params.set('name', name);
  return '#' + params.toString();
}

// {source, name} from a fragment, or null when it carries no source.
// Throws on a damaged link.
export async function readFragment(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  const data = params.get('src');
  if (data === null) return null;
  const bytes = await pipe(fromBase64Url(data), new DecompressionStream('deflate-raw'));
  return {source: new TextDecoder('utf-8', {fatal: true}).decode(bytes), name: params.get('name') || null};
}
