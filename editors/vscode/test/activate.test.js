// The extension under node: activate() with a stub of the vscode module
// (test/stub) starts zanfo-lsp, opens a program with an error of zanfo's
// and warnings of zanfo-check's, and the diagnostics reach VS Code's
// collection at their lines, a warning with its check's name as its code;
// deactivate() stops the server, whether the diagnostics came or not.  And `vsce ls` lists what the package
// must hold.
//
//   ZANFO_VSCODE_BUILD=build/vscode ZANFO_LSP=build/zanfo-lsp \
//     NODE_PATH=editors/vscode/test/stub node --test editors/vscode/test/activate.test.js
'use strict';

const assert = require('node:assert');
const {execFileSync} = require('node:child_process');
const path = require('node:path');
const test = require('node:test');

const build = process.env.ZANFO_VSCODE_BUILD;
const extensionDir = path.resolve(build, 'extension');
const vscode = require('vscode');
const {state, textDocument} = vscode.__stub;

async function until(condition, what) {
  for (let waited = 0; waited < 20000; waited += 20) {
    if (condition()) return;
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  assert.fail(`timed out waiting for ${what}; output: ${state.log.join('\n')}; errors: ${state.errors}`);
}

test('vsce ls lists the grammar, the configuration and the client', () => {
  const listed = execFileSync(path.join(extensionDir, 'node_modules', '.bin', 'vsce'), ['ls'], {
    cwd: extensionDir, encoding: 'utf8'}).split('\n');
  for (const file of ['package.json', 'extension.js', 'zanfo.tmLanguage.json', 'language-configuration.json',
                      'LICENSE', 'node_modules/vscode-languageclient/node.js']) {
    assert.ok(listed.includes(file), `vsce ls does not list ${file}`);
  }
  assert.ok(!listed.some((f) => f.startsWith('node_modules/@vscode/vsce/')), 'the packager is packaged too');
  const manifest = require(path.join(extensionDir, 'package.json'));
  assert.deepStrictEqual(manifest.contributes.configurationDefaults['[zanfo]'], {'files.encoding': 'iso88591'});
  assert.strictEqual(manifest.contributes.grammars[0].path, './zanfo.tmLanguage.json');
});

test('activate() starts zanfo-lsp and shows its diagnostics', async () => {
  state.settings['zanfo.server.path'] = process.env.ZANFO_LSP;
  const file = '/tmp/zanfo-vscode-test/prog.zan';
  state.documents.push(textDocument(file, 'zanfo',
    'PROGRAM p\n{ acci\u00f3n }\nstart: R1 = 70000;\n  DECR(R1), LDUFLAG, JUMP(start, NUZ);\n' +
    '  JUMP(strat, UZ);\n  HALT\nEND\n'));
  const extension = require(path.join(extensionDir, 'extension.js'));
  const context = {subscriptions: []};
  const client = await extension.activate(context);
  try {
    assert.ok(client.isRunning(), 'the client is not running');
    const uri = vscode.Uri.file(file).toString();
    await until(() => (state.diagnostics[uri] || []).length === 3, 'three diagnostics');
    const shown = state.diagnostics[uri].map((d) => [d.range.start.line, d.severity, d.code || '',
                                                     d.message.split('\n')[0].split(':')[0]]);
    assert.deepStrictEqual(shown.sort(), [
      [2, vscode.DiagnosticSeverity.Warning, 'constant-range', '70000 does not fit the 16-bit ConstantAddr field'],
      [3, vscode.DiagnosticSeverity.Warning, 'flag-same-word',
       'the test NUZ reads UFLAG as it was before this microinstruction, not what this one loads into it'],
      [4, vscode.DiagnosticSeverity.Error, '', 'Identificador desconocido'],
    ]);
  } finally {
    await extension.deactivate();
  }
  assert.ok(!client.isRunning(), 'the client still runs after deactivate()');
});
