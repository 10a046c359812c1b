// A stand-in for VS Code's `vscode` module, for running the extension's
// activate() under node: what vscode-languageclient touches when it starts
// a server, opens the documents there are and shows the diagnostics it
// gets, recorded for the test to read.  Events never fire; anything else
// the client asks for is a harmless do-nothing value.
'use strict';

// What the test sets and reads.
const state = {
  documents: [],    // the open text documents
  settings: {},     // "section.key" -> value
  diagnostics: {},  // URI -> the last diagnostics shown for it
  errors: [],       // messages the client showed as errors
  log: [],          // the output channel's lines
};

// A value that is everything at once: a callable, constructible object
// whose every member is another such value.
function anything(name) {
  const target = function () {};
  return new Proxy(target, {
    get(t, key) {
      if (key === 'then') return undefined;  // no promise
      if (key === Symbol.toPrimitive || key === 'toString') return () => name;
      if (key === 'dispose') return () => {};
      return anything(`${name}.${String(key)}`);
    },
    apply() { return anything(`${name}()`); },
    construct() { return anything(`new ${name}`); },
  });
}

class Disposable {
  constructor(callOnDispose) { this.callOnDispose = callOnDispose; }
  static from(...items) {
    return new Disposable(() => items.forEach((d) => d && d.dispose && d.dispose()));
  }
  dispose() { if (this.callOnDispose) this.callOnDispose(); }
}

class EventEmitter {
  constructor() {
    this.listeners = new Set();
    this.event = (listener, thisArg) => {
      const bound = listener.bind(thisArg);
      this.listeners.add(bound);
      return new Disposable(() => this.listeners.delete(bound));
    };
  }
  fire(value) { for (const l of this.listeners) l(value); }
  dispose() { this.listeners.clear(); }
}

const never = () => new Disposable();

// `object`, with anything() for whatever it lacks.
function completed(object, name) {
  return new Proxy(object, {get: (t, key) => (key in t ? t[key] : anything(`${name}.${String(key)}`))});
}

class Uri {
  constructor(scheme, path) { this.scheme = scheme; this.path = path; this.fsPath = path; }
  static parse(text) {
    const match = /^([a-z]+):\/\/(.*)$/.exec(text);
    return match ? new Uri(match[1], decodeURIComponent(match[2])) : new Uri('file', text);
  }
  static file(path) { return new Uri('file', path); }
  toString() { return `${this.scheme}://${encodeURI(this.path)}`; }
  toJSON() { return this.toString(); }
  with() { return this; }
}

class Position {
  constructor(line, character) { this.line = line; this.character = character; }
}

class Range {
  constructor(a, b, c, d) {
    this.start = a instanceof Position ? a : new Position(a, b);
    this.end = a instanceof Position ? b : new Position(c, d);
  }
}

class Diagnostic {
  constructor(range, message, severity) { this.range = range; this.message = message; this.severity = severity; }
}

class CancellationTokenSource {
  constructor() {
    this.emitter = new EventEmitter();
    this.token = {isCancellationRequested: false, onCancellationRequested: this.emitter.event};
  }
  cancel() { this.token.isCancellationRequested = true; this.emitter.fire(); }
  dispose() {}
}

class CancellationError extends Error {}
class MarkdownString { constructor(value) { this.value = value || ''; } appendMarkdown(v) { this.value += v; return this; } }

// A text document: the one the test opens.
function textDocument(path, languageId, text) {
  const lines = text.split('\n');
  return {
    uri: Uri.file(path), fileName: path, languageId, version: 1, isClosed: false, isDirty: false,
    isUntitled: false, lineCount: lines.length, eol: 1,
    getText: () => text,
    lineAt: (n) => ({text: lines[typeof n === 'number' ? n : n.line]}),
  };
}

function configuration(section) {
  return {
    get(key, fallback) {
      const full = section ? `${section}.${key}` : key;
      return full in state.settings ? state.settings[full] : fallback;
    },
    has: (key) => `${section}.${key}` in state.settings,
    inspect: () => undefined,
    update: async () => {},
  };
}

const workspace = completed({
  get textDocuments() { return state.documents; },
  workspaceFolders: undefined,
  getConfiguration: configuration,
  onDidOpenTextDocument: never, onDidChangeTextDocument: never, onDidCloseTextDocument: never,
  onDidSaveTextDocument: never, onWillSaveTextDocument: never, onDidChangeConfiguration: never,
  onDidChangeWorkspaceFolders: never, onDidCreateFiles: never, onDidRenameFiles: never,
  onDidDeleteFiles: never, onWillCreateFiles: never, onWillRenameFiles: never, onWillDeleteFiles: never,
  onDidChangeNotebookDocument: never, onDidOpenNotebookDocument: never, onDidCloseNotebookDocument: never,
  onDidSaveNotebookDocument: never, notebookDocuments: [],
  createFileSystemWatcher: () => ({onDidCreate: never, onDidChange: never, onDidDelete: never, dispose() {}}),
  applyEdit: async () => true,
}, 'vscode.workspace');

const languages = completed({
  match(selector, document) {
    const list = Array.isArray(selector) ? selector : [selector];
    return list.some((s) => (typeof s === 'string' ? s : s.language) === document.languageId) ? 10 : 0;
  },
  createDiagnosticCollection(name) {
    return {
      name,
      set(uri, diagnostics) {
        if (Array.isArray(uri)) {
          for (const [u, d] of uri) state.diagnostics[u.toString()] = d || [];
        } else {
          state.diagnostics[uri.toString()] = diagnostics || [];
        }
      },
      delete(uri) { delete state.diagnostics[uri.toString()]; },
      clear() {},
      forEach() {},
      get: (uri) => state.diagnostics[uri.toString()],
      has: (uri) => uri.toString() in state.diagnostics,
      dispose() {},
    };
  },
}, 'vscode.languages');

const window = completed({
  activeTextEditor: undefined,
  visibleTextEditors: [],
  onDidChangeActiveTextEditor: never,
  onDidChangeVisibleTextEditors: never,
  tabGroups: {all: [], onDidChangeTabs: never, onDidChangeTabGroups: never},
  createOutputChannel: (name) => ({
    name, append: (t) => state.log.push(t), appendLine: (t) => state.log.push(t), clear() {}, show() {},
    hide() {}, replace() {}, dispose() {},
  }),
  showErrorMessage: async (message) => { state.errors.push(message); return undefined; },
  showWarningMessage: async () => undefined,
  showInformationMessage: async () => undefined,
  withProgress: async (options, task) => task({report() {}}, new CancellationTokenSource().token),
}, 'vscode.window');

const known = {
  version: '1.82.0',
  env: {appName: 'zanfo stub', language: 'en', machineId: 'stub', sessionId: 'stub', openExternal: async () => true},
  workspace, languages, window,
  commands: {registerCommand: never, executeCommand: async () => undefined},
  Disposable, EventEmitter, Uri, Position, Range, Diagnostic, CancellationTokenSource, CancellationError,
  MarkdownString,
  DiagnosticSeverity: {Error: 0, Warning: 1, Information: 2, Hint: 3},
  DiagnosticTag: {Unnecessary: 1, Deprecated: 2},
  __stub: {state, textDocument},
};

module.exports = completed(known, 'vscode');
