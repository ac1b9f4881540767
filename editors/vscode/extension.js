// Starts `tarn lsp` for the game's INI files. The game's files are in code page 1252: the
// extension's configuration defaults make the editor read and write INI files so, and the
// server takes the editor's text back into that code page.
'use strict';
const fs = require('fs');
const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

// The program: the tarn.path setting; else the one the Windows package carries in the
// extension's own bin/ (nothing on Windows puts tarn on PATH); else tarn on PATH.
function serverCommand(settings, extensionPath) {
  const configured = settings.get('path');
  if (configured) return configured;
  const name = process.platform === 'win32' ? 'tarn.exe' : 'tarn';
  const carried = path.join(extensionPath, 'bin', name);
  return fs.existsSync(carried) ? carried : 'tarn';
}

// The command line of `tarn lsp` from the settings; the global options come before the
// command, as for every tarn command.
function serverOptions(extensionPath) {
  const settings = vscode.workspace.getConfiguration('tarn');
  const args = [];
  for (const [setting, option] of [['home', '--home'], ['game', '--game']]) {
    const value = settings.get(setting);
    if (value) args.push(option, value);
  }
  args.push('lsp');
  const rules = settings.get('rules');
  if (rules) args.push('--rules', rules);
  return { command: serverCommand(settings, extensionPath), args };
}

const clientOptions = { documentSelector: [{ scheme: 'file', language: 'ini' }] };

async function activate(context) {
  client = new LanguageClient('tarn', 'TARN', serverOptions(context.extensionPath), clientOptions);
  await client.start();
  // A changed setting takes a new server: the game and the rules are read at its start.
  context.subscriptions.push(vscode.workspace.onDidChangeConfiguration(async (event) => {
    if (!event.affectsConfiguration('tarn') || !client) return;
    await client.stop();
    client = new LanguageClient('tarn', 'TARN', serverOptions(context.extensionPath), clientOptions);
    await client.start();
  }));
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
