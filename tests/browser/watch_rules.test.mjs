// The watchlist's rules (src/service/cockpit/watch_rules.js) under Node's own test runner: loaded
// as the page loads it, after the page helpers it uses, and fed tables of entries and answers.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';
import vm from 'node:vm';

const context = vm.createContext({});
for (const file of ['helpers.js', 'watch_rules.js']) {
  vm.runInContext(fs.readFileSync(new URL(`../../src/service/cockpit/${file}`, import.meta.url), 'utf8'), context);
}
const Rules = vm.runInContext('WatchRules', context);

const [NONE, ELEV] = ['NO_RISK_FOUND', 'ELEVATED_RISK_WARNING'];
const RESTS_ON = ['permissions', 'market', 'creation', 'prior_rug', 'reputation'];
const unread = (counted_as) => ({ status: 'unavailable', why: 'failed', counted_as });
const owner = { status: 'read', permissions: [{ name: 'owner', keys: 1, privileged: true }] };
// An evidence answer, every fact read unless `facts` says otherwise; measured: [level, severity].
const ev = ({ level = NONE, severity = 2, measured = [level, severity], facts = {}, ...top } = {}) => ({
  shared: false, ...top, verdict: { level, severity, hazard: 0, rests_on: RESTS_ON },
  measured: { level: measured[0], severity: measured[1], rests_on: [...RESTS_ON, 'holders', 'symbols'] },
  facts: { permissions: { status: 'read' }, market: { status: 'read' }, creation: { status: 'read' },
    prior_rug: { status: 'read' }, reputation: { status: 'read' }, holders: { status: 'read' }, ...facts } });
// A /liquidity answer: one venue with one pool of 100 TOK against `pair`, or the venue not read.
const alcor = (pair) => ({ venues: [{ venue: 'swap.alcor', status: pair ? 'read' : 'unavailable',
  pools: [{ token_amount: '100.0000 TOK', pair: { contract: 'eosio.token', symbol: 'XPR' }, pair_amount: pair }] }] });
const up = { level: ELEV, severity: 5 };
const rise = ['Level: NO_RISK_FOUND → ELEVATED_RISK_WARNING',
  'Measured verdict: NO_RISK_FOUND, severity 2 → ELEVATED_RISK_WARNING, severity 5'];
const all = 'The level, hazard and measured verdict were not compared';

// [name, the answers the entry was added with ({ e, q }; none: before its evidence arrived), the
// checks' answers, and after each check its changes, the entry's "partly" text and level].
const rows = [
  ['every fact read', { e: ev() }, [{ e: ev(up) }], [[rise, null, ELEV]]],
  ['a fact unread the same way twice', { e: ev({ facts: { market: unread('not thin') } }) },
    [{ e: ev({ ...up, facts: { market: unread('not thin') } }) }], [[rise, null, ELEV]]],
  ['a fact unread one way then another, then a whole read', { e: ev({ facts: { market: unread('not thin') } }) },
    [{ e: ev({ ...up, facts: { market: unread('no market') } }) }, { e: ev(up) }],
    [[[], `market (failed). ${all}`, NONE], [rise, null, ELEV]]],
  ['a fact read in part, the list of symbols unread, then a whole read', { e: ev({ measured: [ELEV, 6] }) },
    [{ e: ev({ facts: { holders: { status: 'partly', why: 'cut' } }, shared: null }) }, { e: ev({ measured: [ELEV, 8] }) }],
    [[[], 'holders (cut), the list of symbols. The measured verdict was not compared', NONE],
      [['Measured verdict: ELEVATED_RISK_WARNING, severity 6 → ELEVATED_RISK_WARNING, severity 8'], null, NONE]]],
  ['privileged permissions found after they were unread', { e: ev({ facts: { permissions: unread('none') } }) },
    [{ e: ev({ facts: { permissions: owner } }) }], [[['Privileged permissions: not read → owner (1 key)'], null, NONE]]],
  ['added before its evidence arrived', {}, [{ e: ev({ facts: { permissions: owner } }) }, { e: ev(up) }],
    [[[], null, NONE], [[...rise, 'Privileged permissions: owner (1 key) → none'], null, ELEV]]],
  ['kept by a page whose states had no list of symbols', { e: ev(), older: true }, [{ e: ev() }], [[[], null, NONE]]],
  ['pooled amounts halving', { e: ev(), q: alcor('2000.0000 XPR') },
    [{ e: ev(), q: alcor('1000.0002 XPR') }, { e: ev(), q: alcor(null) }, { e: ev(), q: alcor('500.0001 XPR') }],
    [[[], null, NONE], [[], null, NONE], [['Liquidity pulled on swap.alcor: 1000.0002 XPR → 500.0001 XPR'], null, NONE]]],
];

test('a verdict is compared only when the facts it rests on stood the same way', () => {
  for (const [name, added, checks, expected] of rows) {
    const t = Rules.entry({ token: 'tok', ...up, hazard: 0, ...added.e?.verdict }, added.e ?? null, added.q ?? null, 0);
    if (added.older) t.base['measured@'] = t.base['measured@'].replace('; symbols=read', '');
    const seen = checks.map(({ e, q }, i) => [Rules.record(t, i + 1, null, e, Rules.snapshot(e), Rules.pooled(q, 'tok'))
      .map((c) => `${c.what}: ${c.from} → ${c.to}`), t.partly, t.level]);
    assert.deepEqual(JSON.parse(JSON.stringify(seen)), expected, name);
    assert.equal(Rules.listValid({ version: 1, tokens: [t] }), true, name);
  }
});
