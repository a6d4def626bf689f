// What the download site serves for a release, as browsers and running copies read it: the update
// manifest names this version and a page on the download site, and the release page, opened from
// its file in headless Chromium, makes no request beyond itself and shows every package with the
// size of its file and the checksum of SHA256SUMS, an install line for it, and the version's
// changes, and the signature check or the notice that the release is not signed. The page is
// opened as a file: it has no host, so any request beyond the file itself
// goes to another one (and resolves nowhere, so it cannot leave the machine).
//   node release_page.mjs <release-folder> <version> <CHANGELOG.md>
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchOffline, saveScreenshot } from '../browser/lib/cockpit.mjs';

const DOWNLOAD_SITE = 'https://get.tarnwick.app/';
const [folder, version, changelog] = process.argv.slice(2);

const manifest = JSON.parse(fs.readFileSync(path.join(folder, 'updates.json'), 'utf8'));
assert.equal(manifest.tarnwick.version, version);
assert.equal(manifest.tarnwick.page, `${DOWNLOAD_SITE}releases/${version}/`);

const sums = fs.readFileSync(path.join(folder, 'SHA256SUMS'), 'utf8').trim().split('\n')
  .map((line) => line.split('  '));
// The version's items as plain text: continuation lines joined, code marks dropped.
const section = fs.readFileSync(changelog, 'utf8').split(`## ${version} (`)[1].split('\n## ')[0];
const items = section.split('\n- ').slice(1).map((item) => item.replace(/\n {2}/g, ' ')
  .replaceAll('`', '').trim());

const browser = await launchOffline();
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  const requests = [];
  page.on('request', (request) => requests.push(request.url()));
  const address = pathToFileURL(path.resolve(folder, 'index.html')).href;
  await page.goto(address);
  await page.waitForLoadState('networkidle');
  assert.deepEqual(requests.filter((u) => u !== address && !u.startsWith('data:')), []);

  const shown = await page.evaluate(() => ({
    title: document.querySelector('h1').textContent,
    install: [...document.querySelectorAll('#install code')].map((c) => c.textContent).join('\n'),
    rows: [...document.querySelectorAll('#downloads tr')].slice(1).map((tr) => ({
      name: tr.querySelector('a').getAttribute('href'),
      bytes: tr.querySelector('.size small').textContent,
      sum: tr.querySelector('.sum').textContent,
    })),
    changes: [...document.querySelectorAll('#changes li')].map((li) => li.textContent),
    notice: document.querySelector('#install').textContent,
  }));
  assert.equal(shown.title, `Tarnwick ${version}`);
  assert.deepEqual(shown.rows, sums.map(([sum, name]) => ({
    name, sum, bytes: `${fs.statSync(path.join(folder, name)).size} bytes`,
  })));
  for (const [, name] of sums) {
    const line = name.endsWith('.deb') ? `sudo apt install ./${name}` : `tar -xzf ${name}`;
    assert.ok(shown.install.includes(`curl -fLO ${manifest.tarnwick.page}${name}\n`), name);
    assert.ok(shown.install.includes(line), line);
  }
  assert.deepEqual(shown.changes, items);
  // A signed release shows the command that checks SHA256SUMS with its published key; an unsigned
  // one says that it is not signed.
  if (fs.existsSync(path.join(folder, 'UNSIGNED'))) {
    assert.ok(shown.notice.includes('This release is not signed.'), 'the page says: not signed');
  } else {
    const key = fs.readFileSync(path.join(folder, 'tarnwick.pub'), 'utf8').split('\n')[1];
    const verify = `curl -fLO ${manifest.tarnwick.page}SHA256SUMS.minisig\nminisign -Vm SHA256SUMS -P ${key}`;
    assert.ok(shown.install.includes(verify), verify);
    assert.ok(!shown.notice.includes('not signed'), 'a signed release called unsigned');
  }
  await saveScreenshot(page, 'release-page.png');
} finally {
  await browser.close();
}
console.log('ok');
