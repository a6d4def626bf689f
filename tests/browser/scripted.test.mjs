// The cockpit page in headless Chromium, with the /scan and /update answers scripted through
// request interception: the cases the real service cannot be made to produce on demand.
//
//   node scripted.test.mjs [path/to/cockpit_server]
//
// With the test server the page comes from the real service; without it, from the page file.
import assert from 'node:assert/strict';
import { after, afterEach, before, describe, test } from 'node:test';
import {
  ORIGIN, TEXT, card, foreignRequests, json, launchBrowser, openCockpit, saveScreenshot, scanFor,
  scanRequests, startServer,
} from './lib/cockpit.mjs';

const ALERT = '+-- TARNWICK v0.1.0 --- XPR-MAINNET-L1 ---\n| token      : mytoken\n' +
  '| assessment : ELEVATED_RISK_WARNING\n| severity   : 5\n| hazard     : 0b00010001\n' +
  '| reasons    :\n|   [x] liquidity thin / not locked (shallow order book)\n' +
  '|   [x] deployer is a fresh/throwaway account\n' +
  '| note       : some inputs unverified — treat as incomplete\n' +
  '| disclaimer : structural risk only · not financial advice · DYOR\n' +
  '+--------------------------------------------------------------\n';
const VERDICT = { token: 'mytoken', level: 'ELEVATED_RISK_WARNING', severity: 5, hazard: 17,
  unverified: true, block: false, alert: ALERT };
const NOT_AVAILABLE = { available: false, current: '0.1.1' };
const MARKUP = '<img src=x onerror="window.pwned=1">';
const RESTS_ON = ['permissions', 'market', 'creation', 'prior_rug', 'reputation'];
const EVIDENCE = { version: 1, token: 'mytoken', symbol: 'MYT', shared: false, subject: 'contract',
  shared_counted_as: null,
  verdict: { level: 'ELEVATED_RISK_WARNING', severity: 5, hazard: 17, unverified: true, block: false,
    rests_on: RESTS_ON },
  measured: { level: 'ELEVATED_RISK_WARNING', severity: 7, hazard: 19, block: false,
    holders_measured: true, activity_measured: false, rests_on: [...RESTS_ON, 'holders', 'activity', 'symbols'] },
  facts: {
    permissions: { status: 'read', last_code_update: null, permissions: [
      { name: 'owner', keys: 2, accounts: [], privileged: true },
      { name: 'active', keys: 0, accounts: [`${MARKUP}@active`], privileged: false }] },
    market: { status: 'unavailable', why: 'the read failed' },
    creation: { status: 'read', created: '2026-12-04T09:00:00', age_days: 3, reference_time: 0 },
    prior_rug: { status: 'read', listed: false, list_size: 0 },
    reputation: { status: 'read', contract: 'agentfeed', avg_score: null, score: null },
    supply: { status: 'read', symbol: 'MYT', precision: 4, supply: '1000.0000 MYT',
      max_supply: '0.0000 MYT', issuer: 'mytoken', capped: false, headroom_bp: null },
    holders: { status: 'read', top10_share_bp: 6100, excluded: ['dex'], threshold: 2500, holders: [
      { owner: MARKUP, amount: '400.0000 MYT', share_bp: 4000 },
      { owner: 'dex', amount: '300.0000 MYT', share_bp: 3000 },
      { owner: 'bob', amount: '210.0000 MYT', share_bp: 2100 }] },
    activity: { status: 'unavailable', why: 'no head_block_time' },
    code: { status: 'read', hash: 'ab'.repeat(32), has_code: true, build: null },
    issuer: { status: 'read', name: 'mytoken', is_contract: true, created: '2026-12-04T09:00:00',
      age_days: 3, has_code: true, permissions: [], privileged: true, listed: false },
    creator: { status: 'read', account: MARKUP, created: '2026-12-04T09:00:00', listed: true },
  } };
// A contract of several tokens asked without a symbol, and one of its tokens judged by its issuer.
const FACTORY = { ...EVIDENCE, token: 'xtokens', symbol: null, shared: true, facts: { ...EVIDENCE.facts,
  supply: { status: 'unavailable', why: 'the contract holds several token symbols', symbols: ['XBTC', 'XETH'],
    symbols_more: true } } };
const ofSymbol = (symbol) => ({ ...FACTORY, symbol, subject: 'issuer', measured: { ...EVIDENCE.measured,
  rests_on: ['permissions', 'market', 'prior_rug', 'reputation', 'holders', 'activity', 'issuer', 'creator', 'symbols'] },
facts: { ...FACTORY.facts,
  supply: { ...EVIDENCE.facts.supply, symbol, supply: `1.0000 ${symbol}`, issuer: 'bridge' },
  activity: { status: 'read', symbol_actions: 3, per_hour: 2, saturated: false, threshold: 75 },
  issuer: { status: 'read', name: 'bridge', is_contract: false, created: '2026-12-06T09:00:00', age_days: 1,
    has_code: true, permissions: [{ name: 'owner', keys: 1, accounts: [], privileged: true }],
    privileged: true, listed: false } } });
// A /liquidity answer: `venues` as [name, status, pools, extra members].
const pool = (id, token, pair, shares = { locked: 0, burned: 0, withdrawable: 10000, curve: 0, unknown: 0 }) =>
  ({ id, pair: { contract: 'eosio.token', symbol: 'XPR' }, token_amount: token, pair_amount: pair,
    active: true, shares, earliest_unlock: null });
const liquidityOf = (venues, extra = {}) => ({ version: 1, token: 'mytoken', symbol: 'MYT', symbols: ['MYT'],
  symbols_more: false, shared: false, venues: venues.map(([venue, status, pools = [], more = {}]) =>
    ({ venue, status, ...(status === 'read' ? {} : { why: 'the read failed' }), pools, ...more })),
  totals: { pools: 0, token_amount: null, shares: null, all_read: venues.every((v) => v[1] === 'read') },
  reads: 7, ...extra });
const LIQUIDITY = liquidityOf([['proton.swaps', 'unavailable'],
  ['simpledex', 'capped', [{ ...pool(12, '500.0000 MYT', '900.0000 XPR', { locked: 0, burned: 0, withdrawable: 0,
    curve: 0, unknown: 10000 }), active: false, note: '1000 LP locked for good; the rest not read' }]],
  ['simplelaunch', 'read', [], { launch: { id: 4, creator: MARKUP, creator_prior_rug: true, graduated: true,
    dex_pool_id: 12 } }],
  ['swap.alcor', 'read', [{ ...pool(3, '1000000.0000 MYT', '2000000.0000 XPR', { locked: 2500, burned: 2500,
    withdrawable: 5000, curve: 0, unknown: 0 }), earliest_unlock: '2026-07-01T00:00:00', positions_read: 4 }]]],
  { totals: { pools: 2, token_amount: '1000500.0000 MYT', shares: null, all_read: false } });
// The evidence panel's state line, measured line and rows, once its answer has been shown.
async function evidencePanel(page) {
  await page.waitForFunction(() => document.getElementById('evstate').textContent !==
    'Reading the evidence…');
  return page.evaluate(() => ({
    subject: [document.getElementById('evsubject').textContent, document.getElementById('evabout').textContent],
    symbols: [...document.querySelectorAll('#evsymbols button')].map((b) => b.textContent),
    state: document.getElementById('evstate').textContent,
    banner: document.getElementById('evborrow').hidden ? null : document.getElementById('evborrow').textContent,
    measured: document.getElementById('evmeasured').textContent,
    rows: [...document.querySelectorAll('#evfacts li')].map((li) => li.textContent),
    markup: document.querySelectorAll('#ev img').length + (window.pwned ? 1 : 0),
  }));
}

// The liquidity panel once its answer has been shown: state and total lines, and per venue its
// texts and the widths of its share bars. Polled from here: a tab on a clock of the test's own
// runs no timers of its own.
async function liquidityPanel(page) {
  for (let tries = 0; await page.evaluate(() => document.getElementById('lq').hidden ||
    document.getElementById('lqstate').textContent === 'Reading the pools…'); tries += 1) {
    assert.ok(tries < 500, 'the liquidity panel was never filled');
    await new Promise((resolve) => { setTimeout(resolve, 20); });
  }
  return page.evaluate(() => ({
    state: document.getElementById('lqstate').textContent,
    total: document.getElementById('lqtotal').textContent,
    venues: [...document.querySelectorAll('#lqvenues > li')].map((li) => [...li.children]
      .map((el) => el.textContent).filter(Boolean)),
    bars: [...document.querySelectorAll('#lqvenues .bar')].map((bar) => [...bar.children]
      .map((i) => `${i.className} ${i.style.width}`)),
    markup: document.querySelectorAll('#lq img').length + (window.pwned ? 1 : 0),
  }));
}

let server = null;
let browser = null;
const expectedExit = 0;

before(async () => {
  if (process.argv[2]) server = await startServer(process.argv[2]);
  browser = await launchBrowser(server?.port);
});

after(async () => {
  await browser?.close();
  if (server) assert.equal(await server.stop(), expectedExit, 'test server exit status');
});

// A scripted /scan: each request is answered by the next entry of `answers` (a route action).
function scripted(...answers) {
  return async (route) => {
    const next = answers.shift();
    assert.ok(next, `unexpected extra request ${route.request().url()}`);
    await next(route);
  };
}
const answer = (body, status) => (route) => route.fulfill(json(body, status));
const notAvailable = (route) => route.fulfill(json(NOT_AVAILABLE));

describe('scan with scripted answers', () => {
  test('a verdict fills every field and the request carries the normalised name', async () => {
    const { page, requests } = await openCockpit(browser,
      { '/scan': scripted(answer(VERDICT)), '/update': notAvailable });
    assert.equal((await card(page)).shown, false, 'verdict card hidden before the first scan');
    await scanFor(page, ' @MyToken ');
    assert.deepEqual(scanRequests(requests), ['/scan?token=mytoken']);
    assert.deepEqual(await card(page), {
      shown: true, pill: 'ELEVATED_RISK_WARNING', pillClass: 'lvl warn', tokname: '@mytoken',
      sev: '5', haz: '17', gate: TEXT.clear, unvShown: true, unv: TEXT.unverified, alert: ALERT,
      button: TEXT.scanIdle, buttonDisabled: false,
    });
    assert.deepEqual(foreignRequests(requests), []);
    await page.close();
  });

  test('block true shows the halt gate; unverified false hides the note', async () => {
    const { page, requests } = await openCockpit(browser, {
      '/scan': scripted(answer(VERDICT), answer({ ...VERDICT, level: 'CRITICAL_RUG_CONDITIONS',
        severity: 12, hazard: 127, unverified: false, block: true, alert: 'R' })),
      '/update': notAvailable,
    });
    await scanFor(page, 'mytoken');
    assert.equal((await card(page)).unvShown, true);
    await scanFor(page, 'mytoken');
    const c = await card(page);
    assert.equal(c.pill, 'CRITICAL_RUG_CONDITIONS');
    assert.equal(c.pillClass, 'lvl crit');
    assert.equal(c.gate, TEXT.halt);
    assert.equal(c.sev, '12');
    assert.equal(c.haz, '127');
    assert.equal(c.unvShown, false);
    assert.equal(c.alert, 'R');
    assert.equal(scanRequests(requests).length, 2);
    await page.close();
  });

  test('pill class follows the level keywords, first match wins', async () => {
    const levels = [
      ['NO_RISK_FOUND', 'ok'], ['ELEVATED_RISK_WARNING', 'warn'],
      ['CRITICAL_RUG_CONDITIONS', 'crit'], ['SOMETHING_ELSE', 'ok'], ['high', 'bad'],
      ['Danger', 'bad'], ['medium', 'warn'], ['caution', 'warn'], ['critical high', 'crit'],
      ['HIGH CAUTION', 'bad'], ['', 'ok'],
    ];
    const { page } = await openCockpit(browser, {
      '/scan': scripted(...levels.map(([level]) => answer({ ...VERDICT, level }))),
      '/update': notAvailable,
    });
    for (const [level, expected] of levels) {
      await scanFor(page, 'mytoken');
      const c = await card(page);
      assert.equal(c.pillClass, `lvl ${expected}`, `level ${JSON.stringify(level)}`);
      assert.equal(c.pill, level);
    }
    await page.close();
  });

  test('an error answer shows NO VERDICT with the token, whatever the HTTP status', async () => {
    const { page } = await openCockpit(browser, {
      '/scan': scripted(answer(VERDICT), answer({ token: 'mytoken', error: TEXT.noData }),
        answer({ error: 'missing token' }, 400)),
      '/update': notAvailable,
    });
    await scanFor(page, 'mytoken');
    await scanFor(page, 'mytoken');
    const expected = { shown: true, pill: TEXT.noVerdict, pillClass: 'lvl warn',
      tokname: '@mytoken', sev: '—', haz: '—', gate: TEXT.tradeBlind, unvShown: false,
      unv: TEXT.unverified, alert: TEXT.noData, button: TEXT.scanIdle, buttonDisabled: false };
    assert.deepEqual(await card(page), expected);
    // Without `token` the name is cleared rather than left from the previous scan.
    await scanFor(page, 'mytoken');
    assert.deepEqual(await card(page), { ...expected, tokname: '', alert: 'missing token' });
    await page.close();
  });

  test('a non-JSON answer or a failed request shows ERROR and keeps the other fields',
    async () => {
      const { page } = await openCockpit(browser, {
        '/scan': scripted(answer(VERDICT),
          (route) => route.fulfill({ status: 404, contentType: 'text/plain', body: 'not found' }),
          (route) => route.fulfill(json('"just a string"')),
          (route) => route.abort('connectionrefused')),
        '/update': notAvailable,
      });
      await scanFor(page, 'mytoken');
      const before = await card(page);
      for (const kind of ['not JSON', 'not an object', 'failed request']) {
        await scanFor(page, 'mytoken');
        assert.deepEqual(await card(page),
          { ...before, pill: TEXT.error, pillClass: 'lvl bad', alert: TEXT.unreachable }, kind);
      }
      await page.close();
    });

  test('answer texts are shown as plain text, never as markup', async () => {
    const hostile = '<img src=x onerror="window.pwned=1"><b>bold</b>';
    const { page } = await openCockpit(browser, {
      '/scan': scripted(answer({ ...VERDICT, token: hostile, level: hostile, alert: hostile }),
        answer({ token: hostile, error: hostile })),
      '/update': notAvailable,
    });
    for (let i = 0; i < 2; i += 1) {
      await scanFor(page, 'mytoken');
      const c = await card(page);
      assert.equal(c.alert, hostile);
      assert.equal(c.tokname, `@${hostile}`);
      assert.equal(await page.locator('#out img, #out b:not(#sev):not(#haz):not(#gate)').count(), 0);
    }
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    await page.close();
  });

  test('the button is disabled and reads Scanning… while the answer is outstanding', async () => {
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    let arrived;
    const requested = new Promise((resolve) => { arrived = resolve; });
    const { page } = await openCockpit(browser, {
      '/scan': scripted(async (route) => { arrived(); await held; await route.fulfill(json(VERDICT)); }),
      '/update': notAvailable,
    });
    await page.fill('#tok', 'mytoken');
    await page.press('#tok', 'Enter');
    await requested;
    const busy = await card(page);
    assert.equal(busy.button, TEXT.scanBusy);
    assert.equal(busy.buttonDisabled, true);
    assert.equal(await page.locator('#scan').evaluate((b) => getComputedStyle(b).cursor), 'wait');
    release();
    await page.waitForFunction(() => !document.getElementById('scan').disabled);
    const done = await card(page);
    assert.equal(done.button, TEXT.scanIdle);
    assert.equal(done.pill, 'ELEVATED_RISK_WARNING');
    await page.close();
  });
});

describe('update banner', () => {
  const site = 'https://get.tarnwick.app/download/0.2.0';
  const hiddenCases = [
    ['the not-available answer', json(NOT_AVAILABLE)],
    ['a page outside the download site',
      json({ available: true, current: '0.1.1', page: 'https://example.com/x', version: '0.2.0' })],
    ['a look-alike host',
      json({ available: true, current: '0.1.1', page: 'https://get.tarnwick.app.example.com/',
        version: '0.2.0' })],
    ['available as a string', json({ available: 'true', current: '0.1.1', page: site,
      version: '0.2.0' })],
    ['no page', json({ available: true, current: '0.1.1', version: '0.2.0' })],
    ['an answer that is not JSON', { status: 200, contentType: 'text/plain', body: 'not found' }],
    ['a JSON null', json('null')],
  ];

  for (const [name, reply] of hiddenCases) {
    test(`stays hidden for ${name}`, async () => {
      const { page, requests } = await openCockpit(browser,
        { '/update': (route) => route.fulfill(reply) });
      assert.ok(requests.some((u) => new URL(u).pathname === '/update'), '/update was asked');
      assert.equal(await page.isVisible('#kq4upd'), false);
      assert.equal(await page.textContent('#kq4upd'), '');
      await page.close();
    });
  }

  test('stays hidden when /update fails', async () => {
    const { page } = await openCockpit(browser,
      { '/update': (route) => route.abort('connectionrefused') });
    assert.equal(await page.isVisible('#kq4upd'), false);
    await page.close();
  });

  test('shows the download link for an available release', async () => {
    const { page, requests } = await openCockpit(browser, {
      '/update': (route) => route.fulfill(json({ available: true, current: '0.1.1',
        page: site, version: 'v0.2.0' })),
    });
    const link = page.locator('#kq4upd');
    assert.equal(await link.isVisible(), true);
    assert.equal(await link.textContent(),
      '⬆ New version v0.2.0 is available (you have 0.1.1) — click to download');
    assert.equal(await link.getAttribute('href'), site);
    assert.equal(await link.getAttribute('target'), '_blank');
    assert.equal(await link.getAttribute('rel'), 'noopener noreferrer');
    const look = await link.evaluate((a) => {
      const s = getComputedStyle(a);
      const wrap = a.parentElement.getBoundingClientRect();
      return { display: s.display, background: s.backgroundColor, color: s.color,
        weight: s.fontWeight, size: s.fontSize, align: s.textAlign, line: s.textDecorationLine,
        full: Math.round(a.getBoundingClientRect().width) ===
          Math.round(wrap.width - parseFloat(getComputedStyle(a.parentElement).paddingLeft) -
            parseFloat(getComputedStyle(a.parentElement).paddingRight)) };
    });
    assert.deepEqual(look, { display: 'block', background: 'rgb(11, 63, 214)',
      color: 'rgb(255, 255, 255)', weight: '600', size: '13px', align: 'center', line: 'none',
      full: true });
    // The update answer is asked with default caching, once per load.
    assert.equal(requests.filter((u) => new URL(u).pathname === '/update').length, 1);
    await page.close();
  });
});

describe('evidence panel', () => {
  test('the facts behind the verdict in plain words; markup stays text; a late answer for an ' +
    'earlier scan is dropped; a verdict that moved is said', async () => {
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    const moved = { ...EVIDENCE, verdict: { ...EVIDENCE.verdict, severity: 6 } };
    const unreadList = { ...ofSymbol('TOK'), shared: null, subject: 'both', shared_counted_as: 'possibly shared',
      facts: { ...ofSymbol('TOK').facts, market: { status: 'read', rows_read: 9, limit_reached: true, more: true, row: null },
        issuer: { status: 'partly', why: 'its read failed', counted_as: 'not fresh', name: 'bridge', listed: true } } };
    const { page } = await openCockpit(browser, {
      '/scan': scripted(answer(VERDICT), answer(VERDICT), answer(VERDICT), answer(VERDICT)),
      '/evidence': scripted(answer(EVIDENCE), async (route) => { await held;
        await route.fulfill(json(EVIDENCE)); }, answer(moved), answer(unreadList)),
      '/update': notAvailable,
    });
    await scanFor(page, 'mytoken');
    assert.deepEqual(await evidencePanel(page), { state: '', banner: null, markup: 0, subject: ['MYT on mytoken', ''], symbols: [],
      measured: 'With holders measured: severity 7 · ELEVATED_RISK_WARNING', rows: [
        'read2 keys control the owner permission — privileged',
        `read1 account (${MARKUP}@active) controls the active permission`,
        'unavailableMarket: unavailable — the read failed', 'readCreated 3 days ago (2026-12-04T09:00:00)',
        'readNot on your prior-rug list (0 names)', 'readNo bot reputation score for the token in agentfeed',
        'readSupply is uncapped: the issuer can mint any amount (1000.0000 MYT now) · issuer mytoken',
        'readTop 10 hold 61 % of supply (threshold 25 %)',
        'unavailableActivity: unavailable — no head_block_time', 'readCustom contract code',
        'readIssued by the contract itself: its facts are those above',
        `readContract account created by ${MARKUP} on 2026-12-04T09:00:00, on your prior-rug list`,
        'unavailableSymbol: unavailable'] });
    await scanFor(page, 'mytoken');  // its evidence is held back
    await scanFor(page, 'mytoken');
    const changed = await evidencePanel(page);
    assert.match(changed.state, /^The chain changed between the verdict above and this evidence/);
    release();
    await page.waitForEvent('requestfinished');
    await page.evaluate(() => new Promise((resolve) => { setTimeout(resolve, 200); }));
    assert.deepEqual(await evidencePanel(page), changed);
    // A fact read in part shows what was read; a market list cut short and an unread list of symbols say so.
    await scanFor(page, 'mytoken');
    const shown = await evidencePanel(page);
    assert.deepEqual([shown.subject[1], shown.rows.filter((r) => /markets read|Issue|issuer is/.test(r))], [
      'The contract\'s list of symbols could not be read: counted as possibly shared.', ['readNo market on the exchange ' +
      'names the token (9 markets read, more markets exist than were read)', 'partlyIssuer: partly read — its read ' +
      'failed. Not read: counted as not fresh', 'readIssued by bridge', 'readThe issuer is on your prior-rug list']]);
    await page.close();
  });
});

describe('symbols of a shared contract', () => {
  test('without a symbol the panel is about the factory and offers its symbols; a pick asks with it, ' +
    'names it and keeps it in the address bar; a reload shows the same; the field reaches any other',
  async () => {
    const asked = (requests, path) => requests.map((u) => new URL(u)).filter((u) => u.pathname === path)
      .map((u) => u.search);
    const bySymbol = (route) => {
      const symbol = new URL(route.request().url()).searchParams.get('symbol');
      return route.fulfill(json(symbol ? ofSymbol(symbol) : FACTORY));
    };
    const { page, requests } = await openCockpit(browser, { '/scan': (route) =>
      route.fulfill(json({ ...VERDICT, token: 'xtokens' })), '/evidence': bySymbol,
    '/liquidity': (route) => route.fulfill(json(liquidityOf([['swap.alcor', 'read']]))), '/update': notAvailable });
    await scanFor(page, 'xtokens');
    const factory = await evidencePanel(page);
    assert.deepEqual([factory.subject, factory.symbols], [['', 'This contract holds several tokens, so this ' +
      'panel is about the factory contract, not one token. Pick a symbol to see the token\'s own facts (the ' +
      'list is cut at 100: type any other in the symbol field).'], ['XBTC', 'XETH']]);
    await page.click('#evsymbols button >> text=XBTC');
    await page.waitForFunction(() => document.getElementById('evsubject').textContent !== '');
    const picked = await evidencePanel(page);
    assert.deepEqual([picked.subject, picked.symbols], [['XBTC on xtokens', 'This contract holds several ' +
      'tokens: the measured verdict judges XBTC by its issuer, bridge (its age and the prior-rug list), while ' +
      'who can set the contract\'s code still counts.'], []]);
    for (const row of ['read3 of the actions read were XBTC\'s', 'readIssued by a contract: bridge has contract code ' +
      'and issues for others, so the person behind the token is found elsewhere']) assert.ok(picked.rows.includes(row), row);
    assert.equal(await page.evaluate(() => location.hash), '#token=xtokens&symbol=XBTC');
    await liquidityPanel(page);
    assert.deepEqual([asked(requests, '/evidence'), asked(requests, '/liquidity')],
      [['?token=xtokens', '?token=xtokens&symbol=XBTC'], ['?token=xtokens', '?token=xtokens&symbol=XBTC']]);
    requests.length = 0;
    await page.reload();
    await page.waitForFunction(() => document.getElementById('evsubject').textContent !== '');
    assert.deepEqual([(await evidencePanel(page)).subject[0], await page.inputValue('#sym'),
      asked(requests, '/evidence')], ['XBTC on xtokens', 'XBTC', ['?token=xtokens&symbol=XBTC']]);
    // Any symbol through the field, lower case taken as capitals; an invalid one sends nothing.
    await page.fill('#sym', 'xdoge');
    await scanFor(page, 'xtokens');
    assert.equal((await evidencePanel(page)).subject[0], 'XDOGE on xtokens');
    assert.equal(await page.evaluate(() => location.hash), '#token=xtokens&symbol=XDOGE');
    await liquidityPanel(page);  // its request follows the evidence; wait for it before counting
    requests.length = 0;
    await page.fill('#sym', 'X1');
    await scanFor(page, 'xtokens');
    assert.deepEqual([(await card(page)).pill, requests], ['CHECK THE SYMBOL', []]);
    await page.close();
  });
});

describe('find by symbol', () => {
  const carrier = (contract, symbol, known, lookalike, name, blisted, seen) =>
    ({ contract, symbol, known, lookalike, name, blisted, seen });
  // The contracts seen carrying XUSDC or a lookalike, the network's own not first here; the registry cut short.
  const FOUND = { version: 1, symbol: 'XUSDC', contracts: [carrier('usdcx.tok', 'USDC', false, true, null, null, ['market']),
    carrier('xtokens', 'XUSDC', true, false, 'USD Coin', false, ['known', 'registry', 'market', 'swap.alcor']),
    carrier('fakeusdc', 'XUSDC', false, false, MARKUP, true, ['registry', 'proton.swaps'])],
  unread: [{ what: 'registry', why: 'page limit reached' }], all_read: false, reads: 7 };
  const elsewhere = (borrows) => ({ status: 'read', node: 'https://node', symbol: 'XUSDC', borrows,
    known: { contract: 'xtokens', symbol: 'XUSDC', this: !borrows }, registry: { listed: true, name: 'USDC', blisted: true },
    market_contracts: ['xtokens', 'fakeusdc'] });
  // [typed, the field as typed, the /symbol answer (null: nothing may be asked), state line, entries, unread line]
  const cases = [
    ['x1', 'X1', null, 'A symbol is 1–7 letters A–Z, such as XUSDC.', [], ''],
    ['nosuch', 'NOSUCH', answer({ ...FOUND, contracts: [], unread: [] }),
      'No contract was seen carrying NOSUCH or a symbol like it in what could be read.', [], 'Not everything could be read.'],
    ['xUsdc', 'XUSDC', answer(FOUND), 'Seen carrying XUSDC or a symbol like it: pick one to scan it.', [
      'xtokens · XUSDC|✓ the network\'s XUSDC|registry name "USD Coin" · seen in the network\'s own tokens, the registry, ' +
        'the exchange\'s markets and swap.alcor',
      'usdcx.tok · USDC|lookalike of XUSDC, not the network\'s|no registry row read · seen in the exchange\'s markets',
      `fakeusdc · XUSDC|not the network's XUSDC|blacklisted in the registry|registry name "${MARKUP}" · seen in the ` +
        'registry and proton.swaps'], 'Not everything could be read: registry (page limit reached).'],
  ];
  test('a symbol, capitalised as typed, lists the contracts carrying it: the network\'s own first and marked, markup as ' +
    'text, what was not read said; an invalid one sends nothing; a pick scans it, under a banner if it borrows', async () => {
    const { page, requests } = await openCockpit(browser, {
      '/symbol': scripted(...cases.map((c) => c[2]).filter(Boolean)), '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': (route) => { const token = new URL(route.request().url()).searchParams.get('token');
        return route.fulfill(json({ ...EVIDENCE, token, symbol: 'XUSDC',
          facts: { ...EVIDENCE.facts, symbol_elsewhere: elsewhere(token === 'fakeusdc') } })); },
      '/liquidity': (route) => route.fulfill(json(LIQUIDITY)), '/update': notAvailable });
    const asked = (path) => requests.map((u) => new URL(u)).filter((u) => u.pathname === path).map((u) => u.search);
    for (const [typed, field, , state, entries, unread] of cases) {
      await page.fill('#fdsym', typed);
      assert.equal(await page.inputValue('#fdsym'), field, typed);
      await page.click('#find');
      await page.waitForFunction(() => !document.getElementById('fdstate').textContent.startsWith('Looking for'));
      assert.deepEqual(await page.$eval('#fd', (fd) => [fd.querySelector('#fdstate').textContent, [...fd.querySelectorAll(
        'button')].map((b) => [...b.children].map((el) => el.textContent).join('|')), fd.querySelector('#fdunread')
        .textContent]), [state, entries, unread], typed);
    }
    const pick = async (contract) => {
      await Promise.all([page.waitForResponse((r) => new URL(r.url()).pathname === '/evidence'),
        page.click(`#fdlist button >> text=${contract}`)]);
      const shown = await evidencePanel(page);
      return [shown.banner, shown.rows.slice(-3)];
    };
    assert.deepEqual(await pick('fakeusdc'), ['Not the XUSDC most people mean: that one is on xtokens.', [
      'readSymbol XUSDC is the network\'s own token on xtokens — this contract is not it',
      'readRegistry: listed as "USDC" — blacklisted', 'readOther contracts in the exchange\'s markets carrying XUSDC: xtokens']]);
    assert.equal((await pick('xtokens'))[0], null);
    assert.deepEqual([scanRequests(requests), asked('/evidence')], [['/scan?token=fakeusdc', '/scan?token=xtokens'],
      ['?token=fakeusdc&symbol=XUSDC', '?token=xtokens&symbol=XUSDC']]);
    await page.close();
  });
});

describe('liquidity panel', () => {
  const none = [['proton.swaps', 'read'], ['simpledex', 'read'], ['simplelaunch', 'read', [], { launch: null }],
    ['swap.alcor', 'read']];
  const cases = [
    ['pools, a venue unread and one read in part; markup as text', LIQUIDITY, {
      state: '', total: '2 pools holding 1000500.0000 MYT on the venues read; a venue not read may hold more.',
      venues: [['unavailable proton.swaps', 'Not read — the read failed. Its pools are not known.'],
        ['capped simpledex', 'Read in part (the read failed): it may hold pools not listed here.',
          'Pool 12: 500.0000 MYT with 900.0000 XPR (XPR of eosio.token) · not active', 'unknown 100 %',
          '1000 LP locked for good; the rest not read'],
        ['read simplelaunch', 'No pool of the token here.',
          `Launch curve 4 by ${MARKUP}, on your prior-rug list; graduated to SimpleDEX pool 12`],
        ['read swap.alcor', 'Pool 3: 1000000.0000 MYT with 2000000.0000 XPR (XPR of eosio.token)',
          'locked 25 % · burned 25 % · withdrawable 50 % · first unlock 2026-07-01T00:00:00 UTC · 4 positions read']],
      bars: [['sh-unknown 100%'], ['sh-locked 25%', 'sh-burned 25%', 'sh-withdrawable 50%']] }],
    ['every venue read, none with a pool', liquidityOf(none), { state: '', total: 'No pool found on the venues read.' }],
    ['the list of symbols unread; a lock with no end', liquidityOf([['swap.alcor', 'read', [{ ...pool(3, '10.0000 MYT',
      '20.0000 XPR', { locked: 10000 }), unlock_without_end: true }]]], { shared: null, shared_counted_as: 'possibly shared' }),
    { state: 'The contract\'s list of symbols could not be read: counted as possibly shared.', total: '1 pool.',
      venues: [['read swap.alcor', 'Pool 3: 10.0000 MYT with 20.0000 XPR (XPR of eosio.token)',
        'locked 100 % · locked with no end date']], bars: [['sh-locked 100%']] }],
    ['no pool on the venues read, but one venue unread', liquidityOf([...none.slice(0, 3), ['swap.alcor', 'unavailable']]),
      { state: '', total: '' }],
    ['no symbol to look for', liquidityOf(none.map(([venue]) => [venue, 'unavailable']),
      { symbol: null, why: 'the contract holds several token symbols' }),
    { state: 'No symbol to look for — the contract holds several token symbols.', total: '' }],
  ];
  test('per venue how it was read and its pools; "no pool found" only when every venue was read; a ' +
    'late answer for an earlier scan is dropped', async () => {
    let release;
    let arrived;
    const held = new Promise((resolve) => { release = resolve; });
    const requested = new Promise((resolve) => { arrived = resolve; });
    const { page } = await openCockpit(browser, {
      '/scan': (route) => route.fulfill(json(VERDICT)), '/evidence': (route) => route.fulfill(json(EVIDENCE)),
      '/liquidity': scripted(...cases.map(([, body]) => answer(body)),
        async (route) => { arrived(); await held; await route.fulfill(json(LIQUIDITY)); }, answer(liquidityOf(none))),
      '/update': notAvailable });
    for (const [name, , expected] of cases) {
      await scanFor(page, 'mytoken');
      const shown = await liquidityPanel(page);
      assert.equal(shown.markup, 0, name);
      assert.deepEqual({ state: shown.state, total: shown.total, ...(expected.venues ? { venues: shown.venues,
        bars: shown.bars } : {}) }, expected, name);
    }
    await scanFor(page, 'mytoken');  // its liquidity is held back
    await requested;
    await scanFor(page, 'mytoken');
    const latest = await liquidityPanel(page);
    release();
    await page.evaluate(() => new Promise((resolve) => { setTimeout(resolve, 300); }));
    assert.deepEqual(await liquidityPanel(page), latest);
    assert.equal(latest.total, 'No pool found on the venues read.');
    await page.close();
  });
});

describe('sale panel', () => {
  const run = (holder, kind, outcome, more = {}) => ({ holder, to: kind === 'transfer' ? 'bob' : kind, kind,
    quantity: '0.0400 MYT', outcome, by: null, code: null, name: null, ...more });
  const sale = (sells, why, ...runs) => answer({ version: 1, token: 'mytoken', symbol: 'MYT', sells, why, runs });
  const checked = (control, sells, why, ...runs) => answer({ version: 1, token: 'mytoken', symbol: 'MYT', sells, why,
    control: { node: 'https://node', ...control }, runs });
  const sent = 'ok alice → bob: transfer of 0.0400 MYT — went through';
  const proceeds = { quantity: '0.1100 XPR', contract: 'eosio.token' };
  // [name, the /sell answer, the panel's lines, each after its colour class]
  const cases = [
    ['a sale went through, a venue refused another', checked({ outcome: 'refused', message: 'cannot transfer to self' },
      'went_through', null, run('alice', 'transfer', 'went_through'),
      run('alice', 'swap.alcor', 'refused_by_venue', { by: 'swap.alcor', code: 3050003, message: 'pool is empty',
        name: 'eosio_assert_message_exception' }), run('bob', 'simpledex', 'went_through', { proceeds, cost: { sent: '0.0400 MYT',
        reached_venue: '0.0400 MYT', taken: [{ to: 'taxwallet', quantity: '0.0120 MYT' }], pool_fee_ppm: 3000,
        quote: '0.1742 XPR', cost_bp: 3685 } })),
    ['ok A sale of 0.0400 MYT by bob went through: it paid 0.1100 XPR on eosio.token.',
      'ok Control: the node refused a transfer it must refuse, as a node running contracts does (cannot transfer to self).',
      sent, 'warn alice → swap.alcor: sale into swap.alcor of 0.0400 MYT — ' +
      'refused by the venue (swap.alcor: pool is empty · eosio_assert_message_exception 3050003)',
    'cost bob → simpledex: sale into simpledex of 0.0400 MYT — went through (paid 0.1100 XPR on eosio.token)' +
      'cost 36.9 % beyond the pool\'s fee (0.3 %); taken on the way: taxwallet 0.0120 MYT']],
    ['a sale went through, its cost not measured', answer({ version: 1, token: 'mytoken', symbol: 'MYT',
      sells: 'went_through', why: null, control: { node: 'https://node', outcome: 'refused', message: '' },
      runs: [run('bob', 'simpledex', 'went_through', { proceeds, cost: { sent: '0.0400 MYT', reached_venue: '0.0400 MYT',
        taken: [], pool_fee_ppm: null, quote: null, cost_bp: null } })],
      costs: { sell_cost_bp: null, taken_by: [], why: 'could not measure: the pool states no fee' } }),
    ['ok A sale of 0.0400 MYT by bob went through: it paid 0.1100 XPR on eosio.token.',
      'could not measure: the pool states no fee',
      'ok Control: the node refused a transfer it must refuse, as a node running contracts does.',
      'cost bob → simpledex: sale into simpledex of 0.0400 MYT — went through (paid 0.1100 XPR on eosio.token)' +
      'could not measure the cost']],
    ['blocked, in the answer\'s words; markup as text', sale('blocked', 'the token refused every transfer tried; no pool',
      run('alice', 'transfer', 'refused_by_token', { message: MARKUP })),
    ['bad The token refused every transfer tried; no pool.',
      `bad alice → bob: transfer of 0.0400 MYT — refused by the token (${MARKUP})`]],
    ['not checked; a node that let the control through', checked({ outcome: 'went_through', message: '' }, 'not_checked',
      'no dry run', run('bob', 'simpledex', 'inconclusive', { message: 'timed out' })),
    ['warn Could not tell: no dry run',
      'bad Control: the node did not refuse a transfer it must refuse: no run it answered counts.',
      'warn bob → simpledex: sale into simpledex of 0.0400 MYT — could not tell (timed out)']],
    ['said to go through, no sale run paid out', sale('went_through', null, run('alice', 'transfer', 'went_through'),
      run('bob', 'simpledex', 'went_through')),
    ['warn Could not tell.', sent, 'ok bob → simpledex: sale into simpledex of 0.0400 MYT — went through']],
    ['a failed request', (route) => route.abort('connectionrefused'),
      ['warn Couldn\'t reach the scanner: nothing is known about a sale.']],
  ];
  // The panel's lines, each after the colour class it shows in; null while the panel is hidden.
  const panel = (page) => page.$eval('#sl', (sl) => (sl.hidden ? null
    : [...sl.querySelectorAll('#slstate, #slwhy, #slcontrol, #slruns > li')].filter((el) => el.textContent)
      .map((el) => `${(el.lastElementChild ?? el).className} ${el.textContent}`.trim())));
  test('asked for the scan shown only at its button; each outcome in plain words, never more than was run; each scan ' +
    'starts empty and drops a late answer for an earlier one; a scan with no verdict hides it', async () => {
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    const { page, requests, violations } = await openCockpit(browser, { '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': (route) => route.fulfill(json(EVIDENCE)), '/liquidity': (route) => route.fulfill(json(LIQUIDITY)),
      '/sell': scripted(...cases.map((c) => c[1]), async (route) => { await held; await cases[0][1](route); }),
      '/update': notAvailable });
    const asked = () => requests.filter((u) => new URL(u).pathname === '/sell').map((u) => new URL(u).search);
    await page.fill('#sym', 'MYT');
    for (const [i, [name, , expected]] of cases.entries()) {
      await scanFor(page, 'mytoken');
      assert.deepEqual([await panel(page), asked().length], [[], i], name);
      await page.click('#slcheck');
      await page.waitForFunction(() => !document.getElementById('slcheck').disabled);
      assert.deepEqual(await panel(page), expected, name);
    }
    await scanFor(page, 'mytoken');
    await page.click('#slcheck');  // its answer is held back
    assert.deepEqual([await page.textContent('#slcheck'), await page.isDisabled('#slcheck')], ['Trying…', true]);
    await scanFor(page, 'mytoken');
    const answered = page.waitForResponse((r) => new URL(r.url()).pathname === '/sell');
    release();
    await answered;
    await page.evaluate(() => new Promise((resolve) => { setTimeout(resolve, 200); }));
    assert.deepEqual([await panel(page), [...new Set(asked())]], [[], ['?token=mytoken&symbol=MYT']]);
    await page.route((url) => url.pathname === '/scan', (route) => route.abort('connectionrefused'));
    await scanFor(page, 'mytoken');
    assert.equal(await panel(page), null);
    // Every panel drawn, bars included, within the page's content policy.
    assert.deepEqual(await violations(), []);
    await page.close();
  });
});

describe('watchlist', () => {
  // The evidence answer with its market row's status (null: the market unread) and top-10 share.
  const watched = (status_code, top10 = 6100) => ({ ...EVIDENCE, facts: { ...EVIDENCE.facts,
    market: status_code === null ? EVIDENCE.facts.market : { status: 'read', rows_read: 3,
      limit_reached: false, row: { market_id: 7, symbol: 'MYT', status_code, bid_token: 'mytoken', ask_token: 'xusdc' } },
    holders: { ...EVIDENCE.facts.holders, top10_share_bp: top10 } } });
  // Answers /evidence from one queue of route actions per token, recording the most in flight.
  const flight = { now: 0, most: 0 };
  // A symbol asked for makes the key "token/SYMBOL".
  const byToken = (queues) => async (route) => {
    const params = new URL(route.request().url()).searchParams;
    const next = queues[params.get('token') + (params.get('symbol') ? `/${params.get('symbol')}` : '')]?.shift();
    assert.ok(next, `unexpected ${route.request().url()}`);
    flight.most = Math.max(flight.most, ++flight.now);
    await new Promise((resolve) => { setTimeout(resolve, 50); });
    flight.now -= 1;
    await next(route);
  };
  // A tab on a clock of the test's own, with the desktop notifications and permission requests
  // it makes recorded.
  const watchTab = (routes) => openCockpit(browser, { '/update': notAvailable, ...routes }, {
    setup: async (page) => {
      await page.clock.install({ time: new Date('2026-03-02T09:00:00Z') });
      await page.addInitScript(() => {
        Object.assign(window, { notes: [], asked: 0 });
        window.Notification = class extends Notification {
          constructor(title, options) { super(title, options); window.notes.push([title, options.body]); }
          static requestPermission() { window.asked += 1; return super.requestPermission(); }
        };
      });
    } });
  const rows = (page) => page.$$eval('#wlist > li', (lis) => lis.map((li) => li.innerText));
  const addShown = async (page, name) => {
    await scanFor(page, name);
    await evidencePanel(page);
    await page.click('#watch');
  };
  const stored = (page) => page.evaluate(() => localStorage.getItem('tarnwick.watchlist'));
  // Runs the clock past the next round and waits until every entry has been checked in it.
  const round = async (page) => {
    const before = JSON.parse(await stored(page)).tokens.map((t) => t.checked);
    await page.clock.runFor('11:00');
    await page.waitForFunction((times) => JSON.parse(localStorage.getItem('tarnwick.watchlist')).tokens
      .every((t, i) => t.checked !== times[i]), before);
  };
  // Each case starts with no tab holding the watch lock and an empty list, whatever came before.
  afterEach(async () => {
    await Promise.all(browser.context.pages().map((p) => p.close()));
    const { page } = await openCockpit(browser);
    await page.evaluate(() => localStorage.clear());
    await page.close();
  });

  test('added beside the verdict, asking for notifications at that first click and not at load; ' +
    'kept across loads, removed; a corrupt or foreign stored list is dropped', async () => {
    const { page } = await watchTab({ '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': (route) => route.fulfill(json(EVIDENCE)) });
    assert.equal(await page.evaluate(() => window.asked), 0);
    await addShown(page, 'mytoken');
    assert.equal(await page.evaluate(() => window.asked), 1);
    assert.deepEqual([await page.textContent('#watch'), await page.isDisabled('#watch')], ['★ Watching', true]);
    const good = await stored(page);
    await page.reload();
    assert.match((await rows(page))[0], /^@mytoken\nELEVATED_RISK_WARNING\nseverity 5 · checked .+\nRemove$/);
    await page.click('#wlist button');
    assert.equal(await page.isVisible('#watchcard'), false);
    assert.deepEqual(JSON.parse(await stored(page)).tokens, []);
    const entry = JSON.parse(good).tokens[0];
    for (const bad of ['{not json', JSON.stringify({ version: 1, tokens: [{ ...entry, token: 'MyToken' }] }),
      JSON.stringify({ version: 1, tokens: [{ ...entry, base: { level: 'x' } }] }),
      JSON.stringify({ version: 1, tokens: [{ ...entry, symbol: 'Xbtc' }] }),
      JSON.stringify({ version: 1, tokens: [{ ...entry, pools: { 'swap.alcor': { 'eosio.token XPR': -1 } } }] }), '[]']) {
      await page.evaluate((value) => localStorage.setItem('tarnwick.watchlist', value), bad);
      await page.reload();
      assert.deepEqual([await rows(page), await stored(page)], [[], null], bad);
    }
  });

  test('with notifications refused, changes show on the list only; the top-10 share counts from 5 ' +
    'points, an unread fact never; a tab back in view catches up', async () => {
    await browser.context.clearPermissions();  // which headless Chromium reads as refused
    const { page } = await watchTab({ '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': scripted(answer(watched(1)), answer(watched(2, 6599)), answer(watched(null, 6600))) });
    assert.equal(await page.evaluate(() => Notification.permission), 'denied');
    await addShown(page, 'mytoken');
    await page.clock.runFor('10:30');
    await page.waitForFunction(() => document.querySelectorAll('#wlist .wchg').length === 1);
    // A hidden tab's timers may not have run at all: coming back into view catches up by the clock.
    await page.clock.setSystemTime(new Date('2026-03-02T09:30:00Z'));
    await page.evaluate(() => document.dispatchEvent(new Event('visibilitychange')));
    await page.waitForFunction(() => document.querySelectorAll('#wlist .wchg').length === 2);
    const changes = await page.$$eval('#wlist .wchg', (ps) => ps.map((p) => p.textContent.replace(/^.+ · /, '')));
    assert.deepEqual(changes, ["Top 10 holders' share: 61 % → 66 %", 'Market status: 1 → 2']);
    assert.deepEqual(await page.evaluate(() => window.notes), []);
  });

  test('every 10 minutes one tab re-checks each token, one request at a time: a market status ' +
    'change is shown as text and notified; a failed check is no change', async () => {
    await browser.context.grantPermissions(['notifications'], { origin: ORIGIN });
    const { page } = await watchTab({ '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': byToken({ mytoken: [answer(watched(1)), answer(watched(MARKUP))],
        other: [answer(watched(1)), (route) => route.abort('connectionrefused')] }) });
    await addShown(page, 'mytoken');
    await addShown(page, 'other');
    // A second cockpit tab must leave the checks to the first.
    const second = await watchTab({ '/evidence': byToken({}) });
    await second.page.clock.runFor('11:00');
    await page.clock.runFor('11:00');
    await page.waitForFunction(() => document.querySelectorAll('#wlist .wfail').length === 1);
    const [mine, other] = await rows(page);
    assert.ok(mine.endsWith(` · Market status: 1 → ${MARKUP}`), mine);
    assert.match(other, /\nLast check failed: couldn't reach the scanner\. Nothing is known to have changed\.$/);
    assert.equal(await page.locator('#wlist img').count(), 0);
    assert.deepEqual(await page.evaluate(() => [window.notes, window.asked]),
      [[['Tarnwick: @mytoken changed', `Market status: 1 → ${MARKUP}`]], 0]);
    assert.equal(flight.most, 1);
    // The list reads at 360 px: nothing sticks out sideways.
    await page.setViewportSize({ width: 360, height: 900 });
    assert.equal(await page.evaluate(() => document.documentElement.scrollWidth), 360);
  });
  test('a market read failing during a check is partly read: the verdict is neither compared nor ' +
    'notified, while a real change of another fact in that check is; a list stored before read ' +
    'states were kept starts as a baseline; a shared token whose issuer read fails is partly read, and ' +
    'its next whole read reports the rise from the verdict added while its market was unread', async () => {
    await browser.context.grantPermissions(['notifications'], { origin: ORIGIN });
    const allClear = { level: 'NO_RISK_FOUND', severity: 0, hazard: 0, unverified: true, block: false,
      rests_on: RESTS_ON };
    const failedMarket = { ...watched(null), verdict: allClear,
      facts: { ...watched(null).facts, market: { status: 'unavailable', why: 'read failed',
        counted_as: 'a market that is not thin: bit 0 not set', hazard_bits: [], measured_bits: [] },
      code: { ...EVIDENCE.facts.code, hash: 'cd'.repeat(32) } } };
    // TOK on xtokens, judged by its listed issuer; its market is unread until the last check.
    const tok = (level, severity, facts) => ({ ...ofSymbol('TOK'), measured: { ...ofSymbol('TOK').measured,
      level, severity }, facts: { ...ofSymbol('TOK').facts, ...facts } });
    const issuer = { ...ofSymbol('TOK').facts.issuer, listed: true };
    const refused = (route) => route.abort('connectionrefused');
    const { page } = await watchTab({ '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': byToken({ mytoken: [answer(watched(1)), answer(failedMarket), refused],
        'xtokens/TOK': [answer(tok('ELEVATED_RISK_WARNING', 6, { issuer })),
          answer(tok('NO_RISK_FOUND', 2, { issuer: { status: 'partly', why: 'the account read failed',
            counted_as: 'neither fresh nor listed', name: 'bridge', is_contract: false, listed: true } })),
          answer(tok('ELEVATED_RISK_WARNING', 8, { issuer, market: watched(1).facts.market }))],
        older: [answer(watched(1)), refused] }) });
    await addShown(page, 'mytoken');
    await page.fill('#sym', 'TOK');
    await addShown(page, 'xtokens');
    // An entry as the page before kept it: no read states beside its verdict.
    await page.evaluate(() => {
      const list = JSON.parse(localStorage.getItem('tarnwick.watchlist'));
      const base = { level: 'NO_RISK_FOUND', hazard: 0, measured: null, privileged: null, market: null,
        supply: null, max_supply: null, top10: null, code: null };
      list.tokens.push({ token: 'older', checked: list.tokens[0].checked, level: 'NO_RISK_FOUND',
        severity: 0, failed: null, base, changes: [] });
      localStorage.setItem('tarnwick.watchlist', JSON.stringify(list));
    });
    await round(page);
    const [mine, shared, older] = await rows(page);
    assert.match(mine, /^@mytoken\nELEVATED_RISK_WARNING\n/);
    assert.match(mine, /\nPartly read: market \(read failed\)\. The level, hazard and measured verdict were not compared\.\n/);
    assert.ok(mine.endsWith(`Code hash: ${'ab'.repeat(32)} → ${'cd'.repeat(32)}`), mine);
    assert.ok(shared.endsWith('\nPartly read: issuer (the account read failed). The measured verdict was not compared.'), shared);
    assert.match(older, /^@older\nELEVATED_RISK_WARNING\nseverity 5 · checked .+\nRemove$/);
    const codeChanged = ['Tarnwick: @mytoken changed', `Code hash: ${'ab'.repeat(32)} → ${'cd'.repeat(32)}`];
    assert.deepEqual(await page.evaluate(() => window.notes), [codeChanged]);
    assert.equal(JSON.parse(await stored(page)).tokens[0].base.level, 'ELEVATED_RISK_WARNING');
    await round(page);
    assert.deepEqual(await page.evaluate(() => window.notes), [codeChanged, ['Tarnwick: TOK on @xtokens changed',
      'Measured verdict: ELEVATED_RISK_WARNING, severity 6 → ELEVATED_RISK_WARNING, severity 8']]);
  });

  test('an entry with a symbol is its own entry and is checked with it; the pair side drained on a venue ' +
    'read in both checks is "liquidity pulled", notified; a check that did not read the venue reports nothing',
  async () => {
    await browser.context.grantPermissions(['notifications'], { origin: ORIGIN });
    const alcor = (pair) => liquidityOf([['swap.alcor', 'read', [pool(3, '1000000.0000 MYT', pair)]]]);
    const evidence = () => answer(watched(1));
    const { page } = await watchTab({ '/scan': (route) => route.fulfill(json(VERDICT)),
      '/evidence': byToken({ mytoken: [evidence(), evidence(), evidence()],
        'mytoken/XBTC': [evidence(), evidence(), evidence()] }),
      '/liquidity': byToken({
        mytoken: [answer(alcor('2000000.0000 XPR')), answer(liquidityOf([['swap.alcor', 'unavailable']])),
          answer(alcor('1000001.0000 XPR'))],
        'mytoken/XBTC': [answer(alcor('2000000.0000 XPR')), answer(alcor('1000000.0000 XPR')),
          answer(alcor('1000000.0000 XPR'))] }) });
    const addWatched = async (symbol) => {
      await page.fill('#sym', symbol);
      await scanFor(page, 'mytoken');
      await liquidityPanel(page);
      await page.click('#watch');
    };
    await addWatched('');
    await addWatched('XBTC');
    await round(page);
    const pulled = 'Liquidity pulled on swap.alcor: 2000000 XPR → 1000000 XPR';
    assert.deepEqual((await rows(page)).map((r) => r.split('\n').filter((l) => l.includes(' → '))
      .map((l) => l.replace(/^.+ · /, ''))), [[], [pulled]]);
    // Drained while unread, read again at just over half of the last amount read: no report.
    await round(page);
    const shown = await rows(page);
    assert.match(shown[0], /^@mytoken\n/);
    assert.match(shown[1], /^XBTC on @mytoken\n/);
    assert.equal(await page.locator('#wlist .wchg').count(), 1);
    assert.deepEqual(await page.evaluate(() => window.notes), [['Tarnwick: XBTC on @mytoken changed', pulled]]);
    assert.equal(flight.most, 1);
  });
});

describe('screenshots', () => {
  for (const width of [1280, 360]) {
    test(`verdict at ${width} px`, async () => {
      const { page } = await openCockpit(browser, {
        '/scan': scripted(answer(VERDICT)),
        '/evidence': scripted(answer(EVIDENCE)),
        '/liquidity': scripted(answer(LIQUIDITY)),
        '/update': (route) => route.fulfill(json({ available: true, current: '0.1.1',
          page: 'https://get.tarnwick.app/download/0.2.0', version: '0.2.0' })),
      });
      await page.setViewportSize({ width, height: 900 });
      await scanFor(page, 'mytoken');
      await evidencePanel(page);
      await liquidityPanel(page);
      // Nothing may stick out sideways at this width.
      assert.equal(await page.evaluate(() => document.documentElement.scrollWidth), width);
      await saveScreenshot(page, `verdict-${width}.png`);
      await page.close();
    });
  }
});
