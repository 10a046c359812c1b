// Saving a file from the page: a byte string (one character per byte)
// handed to the browser as a download of that name.
export function download(fileName, byteString, type = 'text/plain') {
  const bytes = Uint8Array.from(byteString, c => c.charCodeAt(0));
  const url = URL.createObjectURL(new Blob([bytes], {type}));
  const a = document.createElement('a');
  a.href = url;
  a.download = fileName;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}
