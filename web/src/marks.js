// The editor's marks for the simulator: breakpoints on source lines (a
// gutter; a click sets or clears one), the lines of the word at μPC, and
// the counts of the last Run tests beside the lines (a gutter).
import {RangeSet, StateEffect, StateField} from '@codemirror/state';
import {Decoration, EditorView, GutterMarker, gutter} from '@codemirror/view';

// --- Breakpoints -------------------------------------------------------------

class BreakpointMarker extends GutterMarker {
  constructor(active) {
    super();
    this.active = active;  // false: no microword comes from this line
  }
  eq(other) { return other.active === this.active; }
  toDOM() {
    const span = document.createElement('span');
    span.className = this.active ? 'on' : 'idle';
    span.title = this.active ? 'Breakpoint: a run stops before this line\'s word' :
      'Breakpoint on a line that makes no microword';
    return span;
  }
}
const activeMarker = new BreakpointMarker(true);
const idleMarker = new BreakpointMarker(false);

const toggleBreakpoint = StateEffect.define({map: (pos, changes) => changes.mapPos(pos)});
const setActivity = StateEffect.define();  // value: Set of the active lines' start positions

// The breakpoints: positions of line starts, moving with the text.
export const breakpointField = StateField.define({
  create: () => RangeSet.empty,
  update(set, tr) {
    set = set.map(tr.changes);
    for (const e of tr.effects) {
      if (e.is(toggleBreakpoint)) {
        let on = false;
        set.between(e.value, e.value, () => { on = true; });
        set = on ? set.update({filter: from => from !== e.value}) :
          set.update({add: [activeMarker.range(e.value)], sort: true});
      } else if (e.is(setActivity)) {
        const ranges = [];
        set.between(0, tr.state.doc.length, from => {
          ranges.push((e.value.has(from) ? activeMarker : idleMarker).range(from));
        });
        set = RangeSet.of(ranges);
      }
    }
    return set;
  },
});

// The lines (1-based) that hold a breakpoint.
export function breakpointLines(state) {
  const lines = [];
  state.field(breakpointField).between(0, state.doc.length, from => {
    lines.push(state.doc.lineAt(from).number);
  });
  return lines;
}

// Shows which breakpoints stand on a line that makes a word.
export function showActivity(view, activeLines) {
  const starts = new Set([...activeLines].filter(n => n <= view.state.doc.lines).map(n => view.state.doc.line(n).from));
  view.dispatch({effects: setActivity.of(starts)});
}

export function toggleBreakpointAt(view, lineNumber) {
  view.dispatch({effects: toggleBreakpoint.of(view.state.doc.line(lineNumber).from)});
}

// The gutter, with a handler told of every change.
export function breakpointGutter(onChange) {
  return [
    breakpointField,
    gutter({
      class: 'cm-breakpoints',
      markers: view => view.state.field(breakpointField),
      initialSpacer: () => activeMarker,
      domEventHandlers: {
        mousedown(view, line) {
          view.dispatch({effects: toggleBreakpoint.of(line.from)});
          onChange();
          return true;
        },
      },
    }),
  ];
}

// --- The word at μPC -----------------------------------------------------------

const setCurrent = StateEffect.define();  // value: {first, last, kind} or null

const currentField = StateField.define({
  create: () => Decoration.none,
  update(decorations, tr) {
    decorations = decorations.map(tr.changes);
    for (const e of tr.effects) {
      if (!e.is(setCurrent)) continue;
      if (!e.value) return Decoration.none;
      const {first, last, kind} = e.value;
      const doc = tr.state.doc;
      const mark = Decoration.line({class: 'cm-at-upc' + (kind ? ' cm-' + kind : '')});
      const ranges = [];
      for (let n = Math.max(1, first); n <= Math.min(last, doc.lines); n++) ranges.push(mark.range(doc.line(n).from));
      return Decoration.set(ranges);
    }
    return decorations;
  },
  provide: f => EditorView.decorations.from(f),
});

export const currentLines = currentField;

// Marks lines first..last as the word at μPC ('halted', 'stopped' or ''),
// or nothing when `lines` is null.
export function showCurrent(view, lines, kind = '') {
  view.dispatch({effects: setCurrent.of(lines ? {...lines, kind} : null)});
}

// --- The counts of the last Run tests ----------------------------------------

// A line's count ("#####" when never run) and, for each conditional word
// that starts there, two marks: the test passed, the test failed, filled
// when the run went that way.
class CountMarker extends GutterMarker {
  constructor(row) {
    super();
    this.row = row;  // coverage.js's countRows
  }
  eq(other) { return other.row.title === this.row.title; }
  toDOM() {
    const span = document.createElement('span');
    span.className = this.row.count === 0 ? 'never' : 'ran';
    span.title = this.row.title;
    const count = document.createElement('span');
    count.className = 'count';
    count.textContent = this.row.text;
    span.append(count);
    for (const w of this.row.branches) {
      const marks = document.createElement('b');
      marks.className = 'branches';
      for (const way of ['passed', 'failed']) {
        const mark = document.createElement('i');
        mark.className = w[way] ? 'taken' : 'not-taken';
        marks.append(mark);
      }
      span.append(marks);
    }
    return span;
  }
}

const setCounts = StateEffect.define();  // value: countRows, or null to clear them

const countField = StateField.define({
  create: () => RangeSet.empty,
  update(markers, tr) {
    for (const e of tr.effects) {
      if (!e.is(setCounts)) continue;
      if (!e.value) return RangeSet.empty;
      const doc = tr.state.doc;
      // A line past the end of the text goes to the last line, as the words
      // do; the rows come by line, so the markers are in order.
      return RangeSet.of(e.value.map(row => new CountMarker(row).range(doc.line(Math.min(row.line, doc.lines)).from)));
    }
    return markers.map(tr.changes);
  },
});

export const countGutter = [
  countField,
  gutter({
    class: 'cm-counts',
    markers: view => view.state.field(countField),
  }),
];

// Shows the counts of `rows` (countRows) beside their lines; null clears them.
export function showCounts(view, rows) {
  view.dispatch({effects: setCounts.of(rows)});
}
