// What an assembly says, as the page lists and underlines it: zanfo's
// messages with the line they belong to, their explanations and the notes
// for the program, and zanfo-check's warnings with the explanation of
// their check.

// The messages of toolchain.lastMessages() as the page shows them: {line
// (null for the scanner's fatal message), severity ('error' for zanfo's
// diagnostics and fatal message, 'warning' for a character outside the
// language), text (zanfo's own, its ISO-8859-1 bytes read as such),
// explanation, notes: [{hint, text}]}.
export function pageMessages(explained) {
  return explained.map(m => ({
    line: m.kind === 'fatal' ? null : m.line,
    severity: m.kind === 'notice' ? 'warning' : 'error',
    text: m.message,
    explanation: m.explanation,
    notes: m.notes,
  }));
}

// The warnings of toolchain.check() as the page shows them, beside
// zanfo's messages: {line (null for the program as a whole), severity
// 'warning', check (its name), text, info (the check's summary,
// explanation and examples, from toolchain.checks()), notes: []}.
export function pageWarnings(warnings, checks) {
  return warnings.map(w => ({
    line: w.line > 0 ? w.line : null,
    severity: 'warning',
    check: w.check,
    text: w.message,
    info: checks[w.check],
    notes: [],
  }));
}

// zanfo's messages and the checks' warnings in one list, as zanfo-check
// sorts them: by line (the program as a whole first), and on one line
// zanfo's messages (which zanfo-check reports as errors) before the
// warnings, each kind in its own order.
export function diagnosticsInOrder(messages, warnings) {
  const line = d => (d.line === null ? 0 : d.line);
  return [...messages, ...warnings].sort((a, b) => line(a) - line(b) || Boolean(a.check) - Boolean(b.check));
}

// A check's explanation as paragraphs (the library writes it in lines of
// a terminal's width), then its wrong and right examples.
function explanationOf(info, withExamples) {
  const box = document.createElement('div');
  box.className = 'check-explain';
  for (const paragraph of info.explanation.trim().split(/\n\s*\n/)) {
    const p = document.createElement('p');
    p.textContent = paragraph.replace(/\s*\n\s*/g, ' ');
    box.append(p);
  }
  if (withExamples) {
    const kind = info.micExamples ? ' (a .mic file)' : '';
    for (const [title, text] of [['Wrong' + kind, info.wrong], ['Right' + kind, info.right]]) {
      const head = document.createElement('b');
      head.textContent = title + ':';
      const pre = document.createElement('pre');
      pre.textContent = text;
      box.append(head, pre);
    }
  }
  return box;
}

// "MESSAGE [NAME]" with the name apart, as zanfo-check writes a warning.
function warningText(d) {
  const text = document.createElement('span');
  text.className = 'text';
  text.textContent = d.text;
  const name = document.createElement('span');
  name.className = 'check-name';
  name.textContent = ` [${d.check}]`;
  return [text, name];
}

const escapeHtml = text => text.replace(/[&<>"]/g, c => ({'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;'})[c]);

// The diagnostics for the editor's lint (@codemirror/lint): each at its
// line; zanfo's messages with their explanation and notes as text, the
// checks' warnings with the check's explanation shown on hover.
export function lintDiagnostics(doc, diagnostics) {
  return diagnostics.filter(d => d.line !== null).map(d => {
    const line = doc.line(Math.min(Math.max(d.line, 1), doc.lines));
    const diagnostic = {from: line.from, to: line.to, severity: d.severity, source: d.check ? 'zanfo-check' : 'zanfo'};
    if (!d.check) {
      diagnostic.message = [d.text, d.explanation, ...d.notes.map(n => (n.hint ? 'hint: ' : 'note: ') + n.text)]
        .filter(Boolean).join('\n');
      return diagnostic;
    }
    diagnostic.message = `${d.text} [${d.check}]` + (d.info ? '\n' + d.info.explanation.replace(/\s*\n\s*/g, ' ') : '');
    diagnostic.renderMessage = () => {
      const box = document.createElement('div');
      box.className = 'check-warning';
      box.append(...warningText(d));
      if (d.info) box.append(explanationOf(d.info, false));
      return box;
    };
    return diagnostic;
  });
}

// The Diagnostics tab in `list`: each diagnostic with its line (a link
// to it, `goToLine`), its text, and what explains it: zanfo's explanation
// and notes (lexyacc/notes.h, as zanfo-dump --listing shows them), or the
// check's name and, opened, its explanation with a wrong and a right
// example (zanfo-check --explain).  Returns show(diagnostics, note), note
// being a line for the foot of the list or ''.  The list is written as one
// piece of HTML (a whole control store can have hundreds of warnings),
// each explanation only when first opened.
export function diagnosticsList(list, goToLine) {
  let shown = [];
  list.addEventListener('click', e => {
    const link = e.target.closest('a.where');
    if (!link) return;
    e.preventDefault();
    goToLine(Number(link.dataset.line));
  });
  list.addEventListener('toggle', e => {  // "toggle" does not bubble: caught on its way down
    const details = e.target;
    if (details.tagName !== 'DETAILS' || !details.open || details.childElementCount > 1) return;
    details.append(explanationOf(shown[Number(details.dataset.index)].info, true));
  }, true);

  return function show(diagnostics, note = '') {
    shown = diagnostics;
    const rows = diagnostics.map((d, i) => {
      const where = d.line !== null ? `<a class="where" href="#" data-line="${d.line}">line ${d.line}</a>` :
        `<span class="where">${d.check ? 'program' : 'stopped'}</span>`;
      const text = `<span class="text">${escapeHtml(d.text)}</span>`;
      const name = d.check ? `<span class="check-name"> [${escapeHtml(d.check)}]</span>` : '';
      const said = d.check && d.info ?
        `<details data-index="${i}"><summary title="${escapeHtml(d.info.summary)}">${text}${name}</summary></details>` :
        text + name;
      const explanation = d.explanation ? `<div class="explain">${escapeHtml(d.explanation)}</div>` : '';
      const notes = d.notes.map(n => `<div class="${n.hint ? 'hint' : 'note'}"><b>${n.hint ? 'hint: ' : 'note: '}</b>` +
        `${escapeHtml(n.text)}</div>`).join('');
      return `<li class="${d.severity}${d.check ? ' check' : ''}"${d.check ? ` data-check="${escapeHtml(d.check)}"` : ''}>` +
        `${where}<div class="body">${said}${explanation}${notes}</div></li>`;
    });
    if (diagnostics.length === 0) rows.push('<li class="none">zanfo and zanfo-check report nothing.</li>');
    if (note) rows.push(`<li class="refused">${escapeHtml(note)}</li>`);
    list.innerHTML = rows.join('');
  };
}

function lines(output) {
  if (output === '') return [];
  const all = output.split('\n');
  if (all[all.length - 1] === '') all.pop();
  return all;
}

// The .mic text as [address, word] pairs of hexadecimal digits.
export function micLines(mic) {
  return lines(mic).map(l => {
    const blank = l.indexOf(' ');
    return [l.slice(0, blank), l.slice(blank + 1)];
  });
}
