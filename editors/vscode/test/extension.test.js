// The extension's start of `tarn lsp`, with stand-ins for the editor's `vscode` module and
// the client library, so that it runs under Node alone:  node --test editors/vscode/test/
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const Module = require('node:module');
const os = require('node:os');
const path = require('node:path');

let settings = {};
let started;  // the server options of the last client started
const standIns = {
  vscode: { workspace: { getConfiguration: () => ({ get: (key) => settings[key] }),
                         onDidChangeConfiguration: () => ({ dispose() {} }) } },
  'vscode-languageclient/node': { LanguageClient: class {
    constructor(id, name, server) { started = server; }
    async start() {}
  } },
};
const load = Module._load;
Module._load = function (request, ...rest) {
  return standIns[request] || load.call(this, request, ...rest);
};
const extension = require('../extension.js');

test('tarn.exe from the setting, else carried in bin/, else on PATH; options around lsp', async () => {
  const platform = Object.getOwnPropertyDescriptor(process, 'platform');
  Object.defineProperty(process, 'platform', { value: 'win32' });
  const carrying = fs.mkdtempSync(path.join(os.tmpdir(), 'tarn-vsix-'));
  fs.mkdirSync(path.join(carrying, 'bin'));
  fs.writeFileSync(path.join(carrying, 'bin', 'tarn.exe'), '');
  const exe = path.join(carrying, 'bin', 'tarn.exe');
  try {
    for (const [folder, given, command, args] of [
      [carrying, {}, exe, ['lsp']],
      [carrying, { path: 'C:\\T\\tarn.exe', home: 'h' }, 'C:\\T\\tarn.exe', ['--home', 'h', 'lsp']],
      [os.tmpdir(), { game: 'g', rules: 'r' }, 'tarn', ['--game', 'g', 'lsp', '--rules', 'r']],
    ]) {
      settings = given;
      await extension.activate({ extensionPath: folder, subscriptions: [] });
      assert.deepStrictEqual([started.command, started.args], [command, args], JSON.stringify(given));
    }
  } finally {
    Object.defineProperty(process, 'platform', platform);
    fs.rmSync(carrying, { recursive: true });
  }
});
