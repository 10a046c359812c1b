// What an assembly says, as the page lists it: zanfo's outputs turned into
// messages with the line they belong to.

// One message per line of output.  "error:LINE:text" lines of standard error
// are the diagnostics of the program; any other line of standard error is a
// message that stopped the scanner; standard output holds the notices of
// characters outside the language, which carry no line.
export function messagesOf({stdout, stderr}) {
  const messages = [];
  for (const text of lines(stderr)) {
    const m = /^error:(-?[0-9]+):(.*)$/s.exec(text);
    if (m) messages.push({line: Number(m[1]), severity: 'error', text: m[2]});
    else messages.push({line: null, severity: 'error', text});
  }
  for (const text of lines(stdout)) messages.push({line: null, severity: 'warning', text});
  return messages;
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
