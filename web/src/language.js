// zanfo's microassembly language for the editor: how its words are told
// apart, for highlighting.  The scanner's own rules decide: a word is the
// longest run of letters, digits and "_" that starts with a letter, and it is
// a keyword whatever its case; "R" and digits alone is a register.

// The reserved words, by what they do.  Every keyword of lexyacc/zanfo.l is
// here (web/test/node.test.js checks it).
export const wordClasses = {
  frame: 'PROGRAM END EQU ORG',
  sequencer: 'NOP HALT JMPZ JMAP LDCOUNT LOOP RET CALL JUMP',
  item: 'ASR ASL LSR LSL LDUFLAG LDMFLAG LDIR LDMAR COMP INCR DECR NOT NEG',
  operator: 'AND OR NOTRS XOR XNOR',
  register: 'RQ IRA0 IRA1 IRA2 IRA3 IRB0 IRB1 IRB2 IRB3 MEM UFLAG MFLAG',
  condition:
    'UZ NUZ MZ NMZ UV NUV MV NMV UN NUN MN NMN UC NUC MC NMC ' +
    'USG USGE MSG MSGE USS USSE MSS MSSE UUG UUGE MUG MUGE UUS UUSE MUS MUSE',
};

const wordClass = new Map();
for (const [cls, words] of Object.entries(wordClasses))
  for (const w of words.split(' ')) wordClass.set(w, cls);

// The class of one word as the scanner sees it: a class above, 'register'
// for "R" and digits, or 'name' (a label or an EQU name).
export function classifyWord(word) {
  const upper = word.toUpperCase();
  if (wordClass.has(upper)) return wordClass.get(upper);
  if (/^R[0-9]+$/.test(upper)) return 'register';
  return 'name';
}

// Highlighting tags of @lezer/highlight for each class.
const tagOfClass = {
  frame: 'keyword',
  sequencer: 'controlKeyword',
  item: 'operatorKeyword',
  operator: 'operatorKeyword',
  register: 'variableName.special',
  condition: 'atom',
  name: 'variableName',
};

// A stream parser for CodeMirror's StreamLanguage.  Comments stand in
// braces, do not nest, and may run over lines.
export const zanfoStreamParser = {
  name: 'zanfo',
  startState: () => ({inComment: false}),
  copyState: s => ({inComment: s.inComment}),
  token(stream, state) {
    if (!state.inComment && stream.eatSpace()) return null;
    if (state.inComment || stream.eat('{')) {
      state.inComment = true;
      if (stream.skipTo('}')) {
        stream.next();
        state.inComment = false;
      } else {
        stream.skipToEnd();
      }
      return 'comment';
    }
    if (stream.match(/^[0-9]+/) || stream.match(/^\$[0-9A-Fa-f]+/) || stream.match(/^%[0-7]+/)) return 'number';
    const word = stream.match(/^[A-Za-z][A-Za-z0-9_]*/);
    if (word) {
      const cls = classifyWord(word[0]);
      if (cls === 'name' && stream.match(/^[ \t]*:/, false)) return 'labelName';
      return tagOfClass[cls];
    }
    if (stream.match(/^[-+=]/)) return 'operator';
    if (stream.match(/^[(),:;]/)) return 'punctuation';
    stream.next();
    return 'invalid';
  },
  languageData: {commentTokens: {block: {open: '{', close: '}'}}},
};
