// Drives `tarn lsp` as an editor does, through the protocol's client library, and prints
// what an editor's user waits for: start-up to the first diagnostics of an open file, to the
// diagnostics with names (once the game is read), and from each change of a large file to its
// diagnostics. Run by bench/lsp, which makes the world and the home.
//   node lsp_client.js TARN HOME GAME FILE CHANGES
'use strict';
const cp = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const libs = path.resolve(__dirname, '../tests/lsp/node_modules');
const rpc = require(path.join(libs, 'vscode-jsonrpc/node'));
const lsp = require(path.join(libs, 'vscode-languageserver-protocol'));

const [tarn, home, game, file, changeCount] = process.argv.slice(2);
const changes = Number(changeCount || 100);
const uriOf = (p) => 'file://' + p.split('/').map(encodeURIComponent).join('/');
const now = () => Number(process.hrtime.bigint()) / 1e6;

const resource = path.join(fs.mkdtempSync('/tmp/tarn-lsp-bench-'), 'time');
const child = cp.spawn('/usr/bin/time', ['-v', '-o', resource, tarn, '--home', home, 'lsp'],
                       { stdio: ['pipe', 'pipe', 'inherit'] });
const connection = rpc.createMessageConnection(new rpc.StreamMessageReader(child.stdout),
                                               new rpc.StreamMessageWriter(child.stdin));
// Each publication wakes whoever waits for the next one of its file.
let waiting = null;
let publications = 0;
connection.onNotification(lsp.PublishDiagnosticsNotification.type, (p) => {
  publications++;
  if (waiting && p.uri === waiting.uri && waiting.ok(p)) {
    const w = waiting;
    waiting = null;
    w.resolve({ at: now(), diagnostics: p.diagnostics, version: p.version });
  }
});
const next = (uri, ok = () => true) => new Promise((resolve) => { waiting = { uri, ok, resolve }; });

function percentile(values, share) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.ceil(share * sorted.length) - 1)];
}
const ms = (x) => x.toFixed(1) + ' ms';

(async () => {
  connection.listen();
  const uri = uriOf(file);
  const text = fs.readFileSync(file, 'latin1');
  const lines = text.split(/\r\n|\n/);
  const start = now();
  await connection.sendRequest(lsp.InitializeRequest.type,
    { processId: process.pid, rootUri: uriOf(game), capabilities: {}, workspaceFolders: null });
  connection.sendNotification('initialized', {});
  const first = next(uri);
  connection.sendNotification(lsp.DidOpenTextDocumentNotification.type,
    { textDocument: { uri, languageId: 'ini', version: 1, text } });
  const firstAt = (await first).at;
  // The server publishes the open file again once it has read the game.
  const namedPublication = await next(uri);
  const named = namedPublication.at;
  console.log(`file: ${path.relative(game, file)} (${lines.length} lines)`);
  console.log(`start-up to the first diagnostics: ${ms(firstAt - start)}`);
  console.log(`start-up to the diagnostics with names: ${ms(named - start)} ` +
              `(${namedPublication.diagnostics.length} diagnostics` +
              `${namedPublication.diagnostics.map((d) => ': ' + d.message).slice(0, 1).join('')})`);

  // One change at a time, as a user who types and then waits: a value on a line in the
  // middle of the file changes, now a mistake, now right again.
  const entry = lines.findIndex((l, i) => i >= lines.length / 2 && /^\w+ = \S/.test(l));
  const latencies = [];
  for (let i = 0; i < changes; i++) {
    const edited = [...lines];
    edited[entry] = i % 2 === 0 ? lines[entry].replace(' = ', 'x = ') : lines[entry];
    const published = next(uri);
    const sent = now();
    connection.sendNotification(lsp.DidChangeTextDocumentNotification.type,
      { textDocument: { uri, version: i + 2 }, contentChanges: [{ text: edited.join('\n') }] });
    latencies.push((await published).at - sent);
  }
  console.log(`change to its diagnostics, ${changes} changes one after another: ` +
              `median ${ms(percentile(latencies, 0.5))}, 95th percentile ` +
              `${ms(percentile(latencies, 0.95))}, worst ${ms(Math.max(...latencies))}`);

  // A burst, as fast typing sends it: every change at once. The server must not fall
  // behind: the last text's diagnostics must come about one check after the last change.
  const lastText = text.replace(/\n/, ' \n');
  const before = publications;
  const burstStart = now();
  const settled = next(uri, (p) => p.version === changes * 2 + 1);
  for (let i = 0; i < changes; i++) {
    const last = i === changes - 1;
    connection.sendNotification(lsp.DidChangeTextDocumentNotification.type,
      { textDocument: { uri, version: changes + 2 + i },
        contentChanges: [{ text: last ? lastText : text.replace(/\n/, ` ; ${i}\n`) }] });
  }
  const burstEnd = now();
  const settledAt = (await settled).at;
  console.log(`a burst of ${changes} changes: the last one's diagnostics ` +
              `${ms(settledAt - burstEnd)} after it was sent, ${publications - before} ` +
              `publications (${ms(burstEnd - burstStart)} to send)`);

  await connection.sendRequest(lsp.ShutdownRequest.type);
  connection.sendNotification(lsp.ExitNotification.type);
  await new Promise((r) => child.on('exit', r));
  const rss = fs.readFileSync(resource, 'utf8').match(/Maximum resident set size \(kbytes\): (\d+)/)[1];
  console.log(`server peak resident: ${(rss / 1024).toFixed(1)} MiB`);
  fs.rmSync(path.dirname(resource), { recursive: true, force: true });
})().catch((e) => { console.error(e); process.exit(1); });
