// Starts `tarn lsp` for the game's INI files. The game's files are in code page 1252: the
// extension's configuration defaults make the editor read and write INI files so, and the
// server takes the editor's text back into that code page.
'use strict';
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

// The command line of `tarn lsp` from the settings; the global options come before the
// command, as for every tarn command.
function serverOptions() {
  const settings = vscode.workspace.getConfiguration('tarn');
  const args = [];
  for (const [setting, option] of [['home', '--home'], ['game', '--game']]) {
    const value = settings.get(setting);
    if (value) args.push(option, value);
  }
  args.push('lsp');
  const rules = settings.get('rules');
  if (rules) args.push('--rules', rules);
  return { command: settings.get('path') || 'tarn', args };
}

const clientOptions = { documentSelector: [{ scheme: 'file', language: 'ini' }] };

async function activate(context) {
  client = new LanguageClient('tarn', 'TARN', serverOptions(), clientOptions);
  await client.start();
  // A changed setting takes a new server: the game and the rules are read at its start.
  context.subscriptions.push(vscode.workspace.onDidChangeConfiguration(async (event) => {
    if (!event.affectsConfiguration('tarn') || !client) return;
    await client.stop();
    client = new LanguageClient('tarn', 'TARN', serverOptions(), clientOptions);
    await client.start();
  }));
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
