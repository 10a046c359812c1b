// zanfo for VS Code: the highlighting of editors/textmate, and zanfo-lsp
// for every .zan file, through vscode-languageclient.  The settings
// zanfo.server.path (the command) and zanfo.inlayHints (the addresses and
// microwords at the ends of lines) are read here and by the server.
'use strict';

const vscode = require('vscode');
const {LanguageClient} = require('vscode-languageclient/node');

let client;

// What the server reads of the settings, as initializationOptions and in
// every workspace/didChangeConfiguration.
function serverSettings() {
  return {inlayHints: vscode.workspace.getConfiguration('zanfo').get('inlayHints', true)};
}

async function activate(context) {
  const command = vscode.workspace.getConfiguration('zanfo').get('server.path', 'zanfo-lsp');
  client = new LanguageClient('zanfo', 'zanfo-lsp', {command, args: []}, {
    documentSelector: [{language: 'zanfo'}],
    initializationOptions: serverSettings(),
    synchronize: {configurationSection: 'zanfo'},
  });
  context.subscriptions.push(client);
  await client.start();
  return client;
}

async function deactivate() {
  if (client) await client.stop();
  client = undefined;
}

module.exports = {activate, deactivate};
