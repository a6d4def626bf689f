// Shared pieces of the cockpit browser tests: the headless Chromium, the test server process and
// a page opened at the service's own address with every request it makes recorded.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));

// The page always runs at the address the product serves it from, so that its same-origin
// requests and the service's Host guard see exactly what they see in use.
export const ORIGIN = 'http://127.0.0.1:8070';
// The page as the build assembles it from src/service/cockpit/ (ctest names it; by hand, the
// Release build's).
export const PAGE_FILE = process.env.TARNWICK_COCKPIT_PAGE ||
  path.resolve(here, '../../../build/release/cockpit/index.html');
export const ARTIFACTS = path.resolve(here, '../artifacts');

// The browser that tests/browser/CMakeLists.txt found (Chromium or Google Chrome).
const CHROMIUM = process.env.TARNWICK_TEST_BROWSER || '/usr/bin/chromium';
const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];

// Texts of the page, byte for byte.
export const TEXT = {
  scanIdle: 'Scan ▸',
  scanBusy: 'Scanning…',
  checkName: 'CHECK THE NAME',
  checkNameHelp: "Enter the token's contract account: 1–12 letters a–z, digits 1–5 or dots.",
  noVerdict: 'NO VERDICT',
  tradeBlind: "don't trade blind",
  error: 'ERROR',
  unreachable: "Couldn't reach the scanner — is Tarnwick still running?",
  halt: 'HALT — bots should not enter',
  clear: 'clear',
  unverified: "⚠ Some data couldn't be fully read, so this verdict is marked unverified — " +
    "Tarnwick never issues a CRITICAL call on data it couldn't read.",
  noData: "couldn't read this token from the XPR network (it may not exist, or the network is " +
    'unreachable) — no verdict; don\'t trade blind',
};

// Starts the test server (prints its port on the first line of stdout, serves until killed or
// until its stdin closes) with a fresh HOME whose data folder holds the no-update-check marker,
// so the service's own /update check never leaves the machine. Resolves to
// { port, kill(), stop() }: kill() ends it at once (SIGKILL) and waits for that; stop() closes
// its stdin so it shuts down in order, waits, removes that HOME and resolves to the exit status
// (0 for a clean shut-down; under the sanitizers a leak or other report makes it non-zero).
// nodeRequests() resolves to the number of requests its chain node has received so far.
export async function startServer(executable) {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-home-'));
  const folder = path.join(home, 'Library', 'Application Support', 'tarnwick');
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, 'no-update-check'), '');
  const child = spawn(executable, [], { stdio: ['pipe', 'pipe', 'inherit'],
    env: { ...process.env, HOME: home } });
  const exited = new Promise((resolve) => child.once('exit', (code, signal) => resolve(signal ?? code)));
  const lines = readline.createInterface({ input: child.stdout });
  const port = await new Promise((resolve, reject) => {
    lines.once('line', (line) => resolve(Number.parseInt(line, 10)));
    child.once('error', reject);
    exited.then((code) => reject(new Error(`test server exited early (${code})`)));
  });
  if (!Number.isInteger(port) || port <= 0) throw new Error('test server printed no port');
  const answers = [];
  lines.on('line', (line) => answers.shift()?.(line));
  const killNow = () => child.kill('SIGKILL');
  process.once('exit', killNow);
  return {
    port,
    async nodeRequests() {
      const answer = new Promise((resolve) => answers.push(resolve));
      child.stdin.write('node-requests\n');
      return Number.parseInt(await answer, 10);
    },
    // Whether the service's own rule takes `name` for a token account name.
    async isAccountName(name) {
      const answer = new Promise((resolve) => answers.push(resolve));
      child.stdin.write(`account-name ${name}\n`);
      return (await answer) === '1';
    },
    async kill() {
      killNow();
      await exited;
    },
    async stop() {
      child.stdin.end();
      const status = await exited;
      process.removeListener('exit', killNow);
      fs.rmSync(home, { recursive: true, force: true });
      return status;
    },
  };
}

// Launches headless Chromium with a fresh profile. With a port, connections to 127.0.0.1:8070 go
// to the test server on that port (the URL and so the Host header stay 127.0.0.1:8070); every
// other host name resolves nowhere, so a stray request can never leave the machine, except those
// that `extraMaps` ("MAP host:port 127.0.0.1:port" rules) send to other loopback servers.
export async function launchBrowser(port, extraMaps = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-chromium-'));
  const maps = port ? [`MAP 127.0.0.1:8070 127.0.0.1:${port}`, ...extraMaps] : extraMaps;
  const rules = [...maps, 'MAP * ~NOTFOUND'].join(',');
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: [...CHROMIUM_ARGS, `--host-rules=${rules}`],
    viewport: { width: 1280, height: 900 },
  });
  if (!port) await servePageFromDisk(context);
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Launches headless Chromium with no routes, for pages opened from their files; every host name
// resolves nowhere, so nothing such a page asks for can leave the machine.
export async function launchOffline() {
  return chromium.launch({ executablePath: CHROMIUM, headless: true,
    args: [...CHROMIUM_ARGS, '--host-rules=MAP * ~NOTFOUND'] });
}

// Without a test server the page file itself is served for "/"; everything else not answered by
// a test's own route fails like a refused connection.
async function servePageFromDisk(context) {
  await context.route('**/*', (route) => {
    const url = new URL(route.request().url());
    if (url.origin === ORIGIN && (url.pathname === '/' || url.pathname === '/index.html')) {
      return route.fulfill({ status: 200, contentType: 'text/html; charset=utf-8',
        body: fs.readFileSync(PAGE_FILE) });
    }
    return route.abort('connectionrefused');
  });
}

// A JSON answer for route.fulfill.
export function json(body, status = 200) {
  return { status, contentType: 'application/json',
    body: typeof body === 'string' ? body : JSON.stringify(body) };
}

// Opens a new tab. `routes` maps a path ("/scan", "/update") to a handler(route) installed before
// the page loads; `setup(page)`, if given, runs before it loads too (a clock, an init script).
// Resolves to { page, requests, violations } where requests lists every URL the page asked for
// and violations() resolves to every report of the page's content policy refusing something.
export async function openCockpit(browser, routes = {}, { setup } = {}) {
  const page = await browser.context.newPage();
  const requests = [];
  page.on('request', (request) => requests.push(request.url()));
  await page.addInitScript(() => {
    window.policyViolations = [];
    document.addEventListener('securitypolicyviolation',
      (e) => window.policyViolations.push(`${e.effectiveDirective} ${e.blockedURI}`));
  });
  const violations = () => page.evaluate(() => window.policyViolations);
  for (const [pathname, handler] of Object.entries(routes)) {
    await page.route((url) => url.origin === ORIGIN && url.pathname === pathname, handler);
  }
  await setup?.(page);
  await page.goto(`${ORIGIN}/`);
  await page.waitForLoadState('networkidle');
  return { page, requests, violations };
}

// The /scan requests among the recorded ones, as path and query.
export function scanRequests(requests) {
  return requests.map((u) => new URL(u)).filter((u) => u.pathname === '/scan')
    .map((u) => u.pathname + u.search);
}

// Every recorded request went to the service's own origin (data: URLs never leave the page).
export function foreignRequests(requests) {
  return requests.filter((u) => !u.startsWith('data:') && new URL(u).origin !== ORIGIN);
}

// What the verdict card shows, as plain text and state.
export async function card(page) {
  return page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return {
      shown: !$('out').hidden && $('out').offsetParent !== null,
      pill: $('lvl').textContent,
      pillClass: $('lvl').className,
      tokname: $('tokname').textContent,
      sev: $('sev').textContent,
      haz: $('haz').textContent,
      gate: $('gate').textContent,
      unvShown: !$('unv').hidden && $('unv').offsetParent !== null,
      unv: $('unv').textContent,
      alert: $('alert').textContent,
      button: $('scan').textContent,
      buttonDisabled: $('scan').disabled,
    };
  });
}

// Types `name` into the input and starts a scan with the button (or Enter), then waits until the
// scan action has finished: the button is enabled again and reads "Scan ▸".
export async function scanFor(page, name, { enter = false } = {}) {
  await page.fill('#tok', name);
  if (enter) await page.press('#tok', 'Enter');
  else await page.click('#scan');
  await page.waitForFunction(() => {
    const b = document.getElementById('scan');
    return !b.disabled && b.textContent === 'Scan ▸';
  });
}

export async function saveScreenshot(page, name) {
  fs.mkdirSync(ARTIFACTS, { recursive: true });
  await page.screenshot({ path: path.join(ARTIFACTS, name), fullPage: true });
}
