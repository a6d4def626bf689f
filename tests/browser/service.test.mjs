// The cockpit page in headless Chromium against the real service: the serving loop of the test
// server, whose chain node is a scripted FakeNode. Only the in-flight case holds a request back
// (and then lets it through to the service).
//
//   node service.test.mjs path/to/cockpit_server
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import { after, before, describe, test } from 'node:test';
import {
  ORIGIN, PAGE_FILE, TEXT, card, foreignRequests, launchBrowser, openCockpit, saveScreenshot,
  scanFor, scanRequests, startServer,
} from './lib/cockpit.mjs';

if (!process.argv[2]) {
  console.error('usage: node service.test.mjs path/to/cockpit_server');
  process.exit(2);
}

let server = null;
let browser = null;
// The last test kills the service; until then it must shut down cleanly.
let expectedExit = 0;

before(async () => {
  server = await startServer(process.argv[2]);
  browser = await launchBrowser(server.port);
});

after(async () => {
  await browser?.close();
  if (server) assert.equal(await server.stop(), expectedExit, 'test server exit status');
});

describe('cockpit served by the service', () => {
  test('"/" and "/index.html" serve the page file unchanged', async () => {
    const page = await browser.context.newPage();
    for (const target of ['/', '/index.html', '/?token=abc']) {
      const response = await page.goto(ORIGIN + target);
      assert.equal(response.status(), 200, target);
      assert.equal(response.headers()['content-type'], 'text/html; charset=utf-8', target);
      assert.ok((await response.body()).equals(fs.readFileSync(PAGE_FILE)), target);
    }
    assert.equal(await page.title(), 'Tarnwick — Rug-Pull Risk Scanner');
    assert.deepEqual(await page.evaluate(() => ({
      lang: document.documentElement.lang,
      charset: document.characterSet,
      viewport: document.querySelector('meta[name=viewport]').content,
      external: [...document.querySelectorAll('script[src], link[rel=stylesheet], img, iframe')]
        .length,
    })), { lang: 'en', charset: 'UTF-8', viewport: 'width=device-width,initial-scale=1',
      external: 0 });
    await page.close();
  });

  test('at load the page asks only its own origin, and only for itself and /update; its content ' +
    'policy lets it run', async () => {
      const { page, requests, violations } = await openCockpit(browser);
      assert.deepEqual(requests.map((u) => new URL(u).pathname), ['/', '/update']);
      assert.deepEqual(foreignRequests(requests), []);
      // The service's check is switched off by the marker (or not routed yet): no banner.
      assert.equal(await page.isVisible('#kq4upd'), false);
      assert.equal(await page.isVisible('#out'), false);
      await scanFor(page, 'mytoken');
      assert.deepEqual(await violations(), []);
      await page.close();
    });

  test('the page\'s name check and the service\'s account-name rule agree', async () => {
    const { page } = await openCockpit(browser);
    const names = ['a', 'abc', 'abc.def', 'eosio.token', 'abcdefghij12', 'abcdefghij123', 'abc.',
      '.', '.a', 'ABC', 'ab0', 'ab6', 'a-b', 'a b', '', 'caf\u00e9', '12345', 'zzzzzzzzzzzz'];
    for (const name of names) {
      const page_says = await page.evaluate((text) => valid(text), name);
      assert.equal(page_says, await server.isAccountName(name), JSON.stringify(name));
    }
    await page.close();
  });

  test('a name that fails the check shows CHECK THE NAME and sends nothing', async () => {
    const { page, requests } = await openCockpit(browser);
    await scanFor(page, 'mytoken');
    const previous = await card(page);
    for (const name of ['abc.', 'abcdefghijklm', '@@abc', '', '   ', 'ab c', 'a_b', 'abc6',
      '@']) {
      await scanFor(page, name);
      assert.deepEqual(await card(page), { ...previous, shown: true, pill: TEXT.checkName,
        pillClass: 'lvl bad', alert: TEXT.checkNameHelp }, JSON.stringify(name));
    }
    assert.deepEqual(scanRequests(requests), ['/scan?token=mytoken']);
    await page.close();
  });

  test('the first attempt shows the card even when the name is wrong', async () => {
    const { page } = await openCockpit(browser);
    await scanFor(page, 'abc.');
    const c = await card(page);
    assert.equal(c.shown, true);
    assert.equal(c.pill, TEXT.checkName);
    assert.equal(c.tokname, '');
    assert.equal(c.sev, '—');
    await page.close();
  });

  test('the name is trimmed, lower-cased and loses one @; Enter scans too', async () => {
    const { page, requests } = await openCockpit(browser);
    await scanFor(page, ' @MyToken ');
    assert.equal((await card(page)).tokname, '@mytoken');
    await scanFor(page, '\t@SNIPCOINS', { enter: true });
    // The fixture's clean token: an active market, an old account, no privileged key.
    const snipcoins = await card(page);
    assert.equal(snipcoins.tokname, '@snipcoins');
    assert.equal(snipcoins.pill, 'NO_RISK_FOUND');
    assert.equal(snipcoins.pillClass, 'lvl ok');
    assert.equal(snipcoins.unvShown, true);
    await scanFor(page, 'a.b.c', { enter: true });
    assert.equal((await card(page)).tokname, '@a.b.c');
    assert.deepEqual(scanRequests(requests),
      ['/scan?token=mytoken', '/scan?token=snipcoins', '/scan?token=a.b.c']);
    assert.deepEqual(foreignRequests(requests), []);
    await page.close();
  });

  test('the button is disabled and reads Scanning… until the service has answered',
    async () => {
      let release;
      const held = new Promise((resolve) => { release = resolve; });
      let arrived;
      const requested = new Promise((resolve) => { arrived = resolve; });
      const { page } = await openCockpit(browser, {
        '/scan': async (route) => { arrived(); await held; await route.continue(); },
      });
      await page.fill('#tok', 'mytoken');
      await page.click('#scan');
      await requested;
      const busy = await card(page);
      assert.equal(busy.button, TEXT.scanBusy);
      assert.equal(busy.buttonDisabled, true);
      // Enter still starts a scan while one is outstanding; both are answered.
      let finished = 0;
      const bothAnswered = new Promise((resolve) => page.on('requestfinished', (request) => {
        if (new URL(request.url()).pathname === '/scan' && (finished += 1) === 2) resolve();
      }));
      await page.press('#tok', 'Enter');
      release();
      await bothAnswered;
      await page.waitForFunction(() => !document.getElementById('scan').disabled);
      const done = await card(page);
      assert.equal(done.button, TEXT.scanIdle);
      assert.equal(done.shown, true);
      await page.close();
    });

  test('a verdict from the service shows level, numbers, gate and the unverified note',
    async () => {
      const { page } = await openCockpit(browser);
      await scanFor(page, '@MyToken');
      const c = await card(page);
      assert.equal(c.shown, true);
      assert.match(c.pill, /^(NO_RISK_FOUND|ELEVATED_RISK_WARNING)$/);
      assert.equal(c.pillClass, c.pill === 'NO_RISK_FOUND' ? 'lvl ok' : 'lvl warn');
      assert.equal(c.tokname, '@mytoken');
      assert.match(c.sev, /^\d+$/);
      assert.match(c.haz, /^\d+$/);
      assert.equal(c.gate, TEXT.clear);
      assert.equal(c.unvShown, true);
      assert.equal(c.unv, TEXT.unverified);
      assert.match(c.alert, /^\+-- TARNWICK .*\n\| token {6}: mytoken\n/);
      assert.match(c.alert, new RegExp(`\\| assessment : ${c.pill}\\n`));
      // Then the evidence from the real route, its holder's markup shown as text.
      await page.waitForFunction(() => document.getElementById('evfacts').children.length > 0);
      const holders = await page.evaluate(() => [...document.querySelectorAll('#evfacts li')]
        .map((li) => li.textContent).filter((t) => t.includes('Top 10')).concat(
          document.querySelectorAll('#ev img').length, document.getElementById('evholderslabel')
            .textContent));
      assert.deepEqual(holders, ['readTop 10 hold 71.3 % of supply (threshold 25 %) · sets bit 1 of the measured verdict', 0,
        'Top 10 holders: 71.3 % of supply; the white line is 25 %']);
      for (const width of [1280, 360]) {
        await page.setViewportSize({ width, height: 900 });
        assert.equal(await page.evaluate(() => document.documentElement.scrollWidth), width);
        await saveScreenshot(page, `service-verdict-${width}.png`);
      }
      await page.close();
    });

  test('a token the node does not know shows NO VERDICT with the service\'s message',
    async () => {
      const { page } = await openCockpit(browser);
      await scanFor(page, 'mytoken');
      await scanFor(page, 'ghost');
      assert.deepEqual(await card(page), {
        shown: true, pill: TEXT.noVerdict, pillClass: 'lvl warn', tokname: '@ghost', sev: '—',
        haz: '—', gate: TEXT.tradeBlind, unvShown: false, unv: TEXT.unverified,
        alert: TEXT.noData, button: TEXT.scanIdle, buttonDisabled: false,
      });
      await page.close();
    });

  test('a page of another site cannot make the service read the chain; the cockpit stays open',
    async () => {
      // The other site: a page on another loopback origin that fires scans, oracle and update
      // requests at the service the ways a page can without asking (images, fetch).
      const targets = ['/scan?token=mytoken', '/oracle?token=snipcoins', '/update'];
      // Images whose padded URLs keep Host inside the service's one 2048-byte read and push the
      // browser's Sec-Fetch-Site and Origin lines beyond it.
      const padded = [1700, 1800, 1900, 1990].map((n) => `/scan?token=mytoken&p=${'x'.repeat(n)}`);
      const html = '<!doctype html><title>elsewhere</title>' +
        [...targets, ...padded].map((t) => `<img src="${ORIGIN}${t}">`).join('') +
        '<a id="cockpit" href="' + ORIGIN + '/">cockpit</a><script>' +
        targets.map((t) => `fetch('${ORIGIN}${t}',{mode:'no-cors'}).catch(()=>{});` +
          `fetch('${ORIGIN}${t}').catch(()=>{});`).join('') + '</script>';
      const site = http.createServer((request, response) => {
        response.writeHead(200, { 'content-type': 'text/html' });
        response.end(html);
      });
      await new Promise((resolve) => site.listen(0, '127.0.0.1', resolve));
      const elsewhere = await launchBrowser(server.port,
        [`MAP localhost:8071 127.0.0.1:${site.address().port}`]);
      try {
        // The service serves one connection at a time: once this is answered, every evidence
        // request that earlier tests' pages left behind has been served too.
        await new Promise((resolve, reject) => http.get({ host: '127.0.0.1', port: server.port,
          path: '/health', headers: { Host: '127.0.0.1:8070' } },
        (response) => { response.resume(); response.on('end', resolve); }).on('error', reject));
        const before = await server.nodeRequests();
        const page = await elsewhere.context.newPage();
        const answered = [];
        page.on('response', (response) => {
          if (new URL(response.url()).origin === ORIGIN) answered.push(response.status());
        });
        await page.goto('http://localhost:8071/');
        await page.waitForLoadState('networkidle');
        assert.equal(await server.nodeRequests(), before, 'the chain node was asked');
        assert.ok(answered.length >= targets.length, `answers seen: ${answered}`);
        assert.ok(answered.every((status) => status === 403), `statuses: ${answered}`);
        // A link from anywhere still opens the cockpit, and the cockpit works from there.
        await page.click('#cockpit');
        await page.waitForLoadState('networkidle');
        assert.equal(await page.title(), 'Tarnwick — Rug-Pull Risk Scanner');
        await scanFor(page, 'mytoken');
        assert.equal((await card(page)).tokname, '@mytoken');
        assert.ok(await server.nodeRequests() > before);
        await page.close();
      } finally {
        await elsewhere.close();
        site.close();
      }
    });

  test('framed by another site or opened by its script, the cockpit asks nothing until clicked',
    async () => {
      const site = http.createServer((request, response) => {
        response.writeHead(200, { 'content-type': 'text/html' });
        response.end('<!doctype html><title>elsewhere</title>' +
          `<iframe src="${ORIGIN}/#token=mytoken" width="900" height="600"></iframe>`);
      });
      await new Promise((resolve) => site.listen(0, '127.0.0.1', resolve));
      const elsewhere = await launchBrowser(server.port,
        [`MAP localhost:8072 127.0.0.1:${site.address().port}`]);
      // The service's paths asked, with the tab that asked them (none for a new tab's own page,
      // asked before its frame exists).
      const asked = [];
      elsewhere.context.on('request', (request) => {
        const url = new URL(request.url());
        let tab = null;
        try { tab = request.frame().page(); } catch { /* the navigation that makes a new tab */ }
        if (url.origin === ORIGIN) asked.push({ tab, path: url.pathname + url.search });
      });
      const askedBy = (tab) => asked.filter((a) => a.tab === tab).map((a) => a.path);
      const settle = (page) => page.evaluate(() => new Promise((resolve) => { setTimeout(resolve, 300); }));
      try {
        const page = await elsewhere.context.newPage();
        await page.goto('http://localhost:8072/');
        await page.waitForLoadState('networkidle');
        const frame = page.frames().find((f) => f.url().startsWith(ORIGIN));
        await settle(page);
        assert.deepEqual(askedBy(page), ['/'], 'framed, before a click');
        assert.equal(await frame.isVisible('#framed'), true);
        assert.equal(await frame.getAttribute('#framed a', 'target'), '_blank');
        await frame.click('h1');
        await frame.waitForFunction(() => document.getElementById('tokname').textContent === '@mytoken');
        assert.deepEqual(askedBy(page).slice(0, 3).sort(), ['/', '/scan?token=mytoken', '/update']);

        const [opened] = await Promise.all([page.waitForEvent('popup'),
          page.evaluate((url) => { window.open(url); }, `${ORIGIN}/#token=mytoken`)]);
        await opened.waitForLoadState('networkidle');
        await settle(opened);
        assert.deepEqual(askedBy(opened), [], 'opened by a script, before a click');
        assert.equal(await opened.isVisible('#framed'), false);
        await opened.click('h1');
        await opened.waitForFunction(() => document.getElementById('tokname').textContent === '@mytoken');
        await page.close();
      } finally {
        await elsewhere.close();
        site.close();
      }
    });

  // Last: stops the service for good.
  test('with the service stopped a scan shows ERROR and the button is usable again',
    async () => {
      const { page } = await openCockpit(browser);
      await scanFor(page, 'mytoken');
      const previous = await card(page);
      await server.kill();
      expectedExit = 'SIGKILL';
      await scanFor(page, 'mytoken');
      assert.deepEqual(await card(page), { ...previous, pill: TEXT.error, pillClass: 'lvl bad',
        alert: TEXT.unreachable, button: TEXT.scanIdle, buttonDisabled: false });
      // And again: each failure leaves the page ready for the next try.
      await scanFor(page, 'snipcoins', { enter: true });
      assert.equal((await card(page)).pill, TEXT.error);
      await page.close();
    });
});
