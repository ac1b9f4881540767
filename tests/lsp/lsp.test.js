// End-to-end tests of `tarn lsp` through the protocol's own client library, on a small world
// written by bench/make_world, with rules learned from it (so that names are checked).
//   node --test lsp.test.js   (TARN_BIN: the tarn binary; TARN_SOURCE: the source tree)
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const cp = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const rpc = require('vscode-jsonrpc/node');
const { InitializeRequest, DidOpenTextDocumentNotification, DidChangeTextDocumentNotification,
        PublishDiagnosticsNotification, HoverRequest, CompletionRequest, DefinitionRequest,
        DocumentSymbolRequest, ShutdownRequest, ExitNotification } =
    require('vscode-languageserver-protocol');

const source = process.env.TARN_SOURCE || path.resolve(__dirname, '../..');
const tarn = process.env.TARN_BIN || path.join(source, 'build/bin/tarn');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tarn-lsp-'));
const game = path.join(dir, 'world');
const home = path.join(dir, 'home');
let child, connection;
const published = [];  // every publishDiagnostics, in order
let goods, goodsUri, goodsText;

function run(cmd, args) { cp.execFileSync(cmd, args, { stdio: ['ignore', 'ignore', 'inherit'] }); }
const uriOf = (p) => 'file://' + p.split('/').map(encodeURIComponent).join('/');

// The first diagnostics for uri published after index `from` that satisfy ok.
async function diagnostics(uri, ok, from = 0) {
  for (let i = 0; i < 300; i++) {
    const hit = published.slice(from).find((p) => p.uri === uri && ok(p.diagnostics));
    if (hit) return hit.diagnostics;
    await new Promise((r) => setTimeout(r, 50));
  }
  assert.fail('no diagnostics as expected for ' + uri + ': ' + JSON.stringify(published.slice(-2)));
}
const lineOf = (text, prefix) => text.split(/\r\n|\n|\r/).findIndex((l) => l.startsWith(prefix));
let version = 1;
function change(uri, text) {
  connection.sendNotification(DidChangeTextDocumentNotification.type,
    { textDocument: { uri, version: ++version }, contentChanges: [{ text }] });
}

before(async () => {
  run(path.join(source, 'bench/make_world'), ['--scale', '0.05', '--seed', '1', '--rules',
      path.join(source, 'data/rules'), '--mistakes', 'none', '--out', game]);
  fs.mkdirSync(home);
  fs.copyFileSync(path.join(path.dirname(tarn), 'TARN.MDB'), path.join(home, 'TARN.MDB'));
  const other = fs.readFileSync(path.join(game, 'other_ini.txt'), 'latin1').split('\n').filter(Boolean);
  run('sqlite3', [path.join(home, 'TARN.MDB'), 'BEGIN; DELETE FROM _bc_OtherINI;' +
      other.map((o) => `INSERT INTO _bc_OtherINI (Value) VALUES ('${o.replace(/'/g, "''")}');`).join('') + 'COMMIT;']);
  run(tarn, ['--home', home, '--game', game, 'rules', 'learn', path.join(dir, 'rules')]);
  child = cp.spawn(tarn, ['--home', home, 'lsp', '--rules', path.join(dir, 'rules')],
                   { stdio: ['pipe', 'pipe', 'inherit'] });
  connection = rpc.createMessageConnection(new rpc.StreamMessageReader(child.stdout),
                                           new rpc.StreamMessageWriter(child.stdin));
  connection.onNotification(PublishDiagnosticsNotification.type, (p) => published.push(p));
  connection.onError(() => {});  // the bad input test's error answers carry no id
  connection.listen();
  const init = await connection.sendRequest(InitializeRequest.type,
    { processId: process.pid, rootUri: uriOf(game), capabilities: {}, workspaceFolders: null });
  assert.strictEqual(init.capabilities.positionEncoding, 'utf-16');
  connection.sendNotification('initialized', {});
  goods = path.join(game, 'DATA/EQUIPMENT/Goods_01.ini');
  goodsUri = uriOf(goods);
  goodsText = fs.readFileSync(goods, 'latin1');
  connection.sendNotification(DidOpenTextDocumentNotification.type,
    { textDocument: { uri: goodsUri, languageId: 'ini', version: 1, text: goodsText } });
});

after(async () => {
  await connection.sendRequest(ShutdownRequest.type);
  connection.sendNotification(ExitNotification.type);
  const status = await new Promise((r) => child.on('exit', r));
  assert.strictEqual(status, 0);
  fs.rmSync(dir, { recursive: true, force: true });
});

test('diagnostics follow a change: rules at once, names with a hint once the game is read', async () => {
  const ship = goodsText.match(/^ship = (\S+)/m)[1];
  const broken = goodsText.replace(/^price = /m, 'prise = ').replace('ship = ' + ship, 'ship = ' + ship + 'x')
                          .replace(/^volume = (.*)$/m, 'volume = $1 ; größe €');
  const from = published.length;
  change(goodsUri, broken);
  const found = await diagnostics(goodsUri, (d) => d.some((x) => x.code === 10401), from);
  const unknownKey = found.find((x) => x.code === 10302);
  assert.strictEqual(unknownKey.range.start.line, lineOf(broken, 'prise = '));
  assert.match(unknownKey.message, /!prise!/);
  assert.match(unknownKey.message, /did you mean `price`/);
  const unknownName = found.find((x) => x.code === 10401);
  assert.strictEqual(unknownName.range.start.line, lineOf(broken, 'ship = '));
  assert.match(unknownName.message, new RegExp('did you mean `' + ship + '`'));
  // No finding on the line with letters outside ASCII, but its length counts UTF-16 units.
  const volume = lineOf(broken, 'volume = ');
  assert.ok(!found.some((x) => x.range.start.line === volume));
  const symbols = await connection.sendRequest(DocumentSymbolRequest.type, { textDocument: { uri: goodsUri } });
  assert.ok(symbols.length > 0);
  change(goodsUri, goodsText);
  const clean = await diagnostics(goodsUri, (d) => !d.some((x) => x.code === 10401 || x.code === 10302), from + 1);
  assert.deepStrictEqual(clean.filter((x) => x.severity <= 2), []);
});

test('hover shows the rule of a key', async () => {
  const line = lineOf(goodsText, 'price = ');
  const hover = await connection.sendRequest(HoverRequest.type,
    { textDocument: { uri: goodsUri }, position: { line, character: 1 } });
  assert.match(hover.contents.value, /\*\*price\*\* in \[Good\]/);
  assert.match(hover.contents.value, /Long|Whole/);
});

test('completion offers the keys of a section and the names a value may take', async () => {
  const keys = await connection.sendRequest(CompletionRequest.type,
    { textDocument: { uri: goodsUri }, position: { line: lineOf(goodsText, 'price = '), character: 0 } });
  assert.ok(keys.some((k) => k.label === 'nickname'));
  const ship = goodsText.match(/^ship = (\S+)/m)[1];
  const names = await connection.sendRequest(CompletionRequest.type,
    { textDocument: { uri: goodsUri }, position: { line: lineOf(goodsText, 'ship = '), character: 7 } });
  assert.ok(names.some((n) => n.label === ship), 'names offered: ' + names.length);
});

test('definition jumps from a name to the section that defines it', async () => {
  const ship = goodsText.match(/^ship = (\S+)/m)[1];
  const at = await connection.sendRequest(DefinitionRequest.type,
    { textDocument: { uri: goodsUri }, position: { line: lineOf(goodsText, 'ship = '), character: 9 } });
  assert.strictEqual(at.length, 1);
  const target = decodeURIComponent(at[0].uri.replace('file://', ''));
  const lines = fs.readFileSync(target, 'latin1').split(/\r\n|\n|\r/);
  assert.match(lines[at[0].range.start.line], new RegExp('^nickname = ' + ship + '$'));
});

test('document symbols list the sections', async () => {
  const symbols = await connection.sendRequest(DocumentSymbolRequest.type, { textDocument: { uri: goodsUri } });
  const headers = goodsText.split(/\r\n|\n|\r/).filter((l) => l.startsWith('[')).length;
  assert.strictEqual(symbols.length, headers);
  assert.strictEqual(symbols[0].name, 'Good');
});

test('bad input gets an answer or a note, never a crash', async () => {
  child.stdin.write('Content-Length: 9\r\n\r\n{"a": tru');
  const huge = 64 * 1024 * 1024 + 1;
  child.stdin.write(`Content-Length: ${huge}\r\n\r\n`);
  child.stdin.write(Buffer.alloc(huge, 0x20));
  await assert.rejects(connection.sendRequest('tarn/nothing', {}), (e) => e.code === -32601);
  const outside = uriOf(path.join(dir, 'elsewhere.ini'));
  connection.sendNotification(DidOpenTextDocumentNotification.type,
    { textDocument: { uri: outside, languageId: 'ini', version: 1, text: '[Good]\nfoo = 1\n' } });
  const said = await diagnostics(outside, (d) => d.length === 1);
  assert.match(said[0].message, /^Not checked: the file lies outside the game folder/);
  // A file deleted while open is still checked from the editor's text.
  const doomed = path.join(game, 'DATA/EQUIPMENT/Market_01.ini');
  const text = fs.readFileSync(doomed, 'latin1');
  const uri = uriOf(doomed);
  connection.sendNotification(DidOpenTextDocumentNotification.type,
    { textDocument: { uri, languageId: 'ini', version: 1, text } });
  fs.rmSync(doomed);
  const from = published.length;
  change(uri, text.replace(/^(\w+) = /m, '$1x = '));
  await diagnostics(uri, (d) => d.some((x) => x.code === 10302), from);
});
