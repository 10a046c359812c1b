// Each word's fields, from the decoder: hovering a word (beside a line, or
// in the list: any element with data-word="ADDR WORD", several a line)
// shows what zanfo-dump --fields shows for it; a click keeps them open
// until the next click or Escape.

const $ = id => document.getElementById(id);

// `wordText(address, word)` gives the word's lines, as text.
export function startWordPopover(wordText) {
  const box = $('word-popover');
  let pinned = null, timer = 0;
  const show = target => {
    const words = target.dataset.word.split('\n').map(w => w.split(' '));
    box.replaceChildren();
    for (const [address, word] of words) {
      const lines = wordText(parseInt(address, 16), word).trimEnd().split('\n');
      const head = document.createElement('div');
      head.className = 'head';
      head.textContent = lines[0];
      const fields = document.createElement('pre');
      for (const line of lines.slice(1)) {
        const row = document.createElement('div');
        row.textContent = line;
        if (line.includes('[not expressible in zanfo]')) row.className = 'unusual';
        fields.append(row);
      }
      box.append(head, fields);
    }
    const hint = document.createElement('div');
    hint.className = 'hint';
    hint.textContent = pinned ? 'Click again to close.' : 'Click to keep this open.';
    box.append(hint);
    box.hidden = false;
    const r = target.getBoundingClientRect();
    const {width, height} = box.getBoundingClientRect();
    const left = Math.min(Math.max(4, r.left), window.innerWidth - width - 4);
    const below = r.bottom + 4 + height < window.innerHeight;
    box.style.left = `${left}px`;
    box.style.top = `${Math.max(4, below ? r.bottom + 4 : r.top - height - 4)}px`;
  };
  document.addEventListener('mouseover', e => {
    const target = e.target.closest && e.target.closest('[data-word]');
    if (pinned || !target) return;
    clearTimeout(timer);
    timer = setTimeout(() => show(target), 150);
  });
  document.addEventListener('mouseout', e => {
    const target = e.target.closest && e.target.closest('[data-word]');
    if (pinned || !target || (e.relatedTarget && target.contains(e.relatedTarget))) return;
    clearTimeout(timer);
    box.hidden = true;
  });
  document.addEventListener('click', e => {
    const target = e.target.closest && e.target.closest('[data-word]');
    if (!target) {
      if (pinned && !box.contains(e.target)) { pinned = null; box.hidden = true; }
      return;
    }
    if (pinned === target) {
      pinned = null;
      box.hidden = true;
      return;
    }
    pinned = target;
    clearTimeout(timer);
    show(target);
  });
  document.addEventListener('keydown', e => {
    if (e.key === 'Escape') { pinned = null; box.hidden = true; }
  });
}

