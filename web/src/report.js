// What an assembly says, as the page lists it: zanfo's messages with the
// line they belong to, their explanations and the notes for the program.

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
