// The show from the keyboard, with real key events (CDP Input.dispatchKeyEvent,
// through playwright-core), in headless Chromium on 127.0.0.1: the picture
// takes the focus at the first Tab, says what it is, shows its focus outside
// its pixels, and Enter or Space on it is one click a press.
import assert from 'node:assert';
import {test} from 'node:test';

import {FlickerPeriod, OpenBrowser, Serve, Visit, site} from './support.mjs';

test('one Tab focuses the picture; Enter and Space click once a press, held or not; the ring stays outside', async () => {
    const server = await Serve(site);
    const chromium = await OpenBrowser();
    try {
        const {page} = chromium;
        await Visit(page, server.origin + '/');
        const Clicks = () => page.evaluate(() => window.flickerShow.tunePlays());
        const Focused = () => page.evaluate(() => document.activeElement.id);
        // Keys with nothing focused are nothing.
        await page.keyboard.press('Enter');
        assert.strictEqual(await Clicks(), 0);

        // The pixel just outside the canvas's left edge (the canvas is at 8, 8).
        const Ring = async () => {
            const shot = await page.screenshot({clip: {x: 4, y: 200, width: 1, height: 1}});
            return shot.toString('base64');
        };
        const unfocused = await Ring();
        await page.keyboard.press('Tab');
        assert.strictEqual(await Focused(), 'picture');
        const named = page.getByRole('button', {name: /picture.*start the show/});
        assert.strictEqual(await named.evaluate((e) => e.id), 'picture', 'its accessible name');
        assert.notStrictEqual(await Ring(), unfocused, 'no focus ring outside the picture');
        // (an outline drawn outside the border box, never over the canvas's pixels)
        const outline = await page.evaluate(() => {
            const s = getComputedStyle(document.getElementById('picture'));
            return [s.outlineStyle, parseFloat(s.outlineWidth), parseFloat(s.outlineOffset)];
        });
        assert.ok(outline[0] !== 'none' && outline[1] > 0 && outline[2] >= 0, `outline ${outline}`);

        // A press held down: the key's repeats click nothing more; the click
        // comes with the release, and starts the show and the tune.
        await page.keyboard.down('Enter');
        for (let i = 0; i < 5; ++i) await page.keyboard.down('Enter');
        assert.strictEqual(await Clicks(), 0, 'a click before the key came up');
        await page.keyboard.up('Enter');
        assert.strictEqual(await Clicks(), 1);
        await page.waitForFunction(() => window.flickerShow.level() > -60, null, {timeout: 10000});
        const before = (await page.evaluate(() => window.flickerShow.ticks())).handled[1];
        const period = await FlickerPeriod(page, before);
        assert.ok(period < 150, `the flicker at 30 ms: its ticks ${period.toFixed(0)} ms apart`);

        await page.keyboard.press(' ');
        assert.strictEqual(await Clicks(), 2, 'Space');
        // Two presses, two clicks (a double click is the mouse's).
        await page.keyboard.press('Enter');
        await page.keyboard.press('Enter');
        assert.strictEqual(await Clicks(), 4);
        // The focus leaving while the key is down: no click.
        await page.keyboard.down('Enter');
        await page.keyboard.press('Tab');
        await page.keyboard.up('Enter');
        assert.strictEqual(await Clicks(), 4, 'a click after the focus left');
        // Other keys are nothing.
        await page.focus('#picture');
        for (const key of ['a', 'Escape', 'ArrowDown']) await page.keyboard.press(key);
        // (read after Enter: one click more, handled after them)
        await page.keyboard.press('Enter');
        assert.strictEqual(await Clicks(), 5);
        // Space does not scroll the page.
        assert.strictEqual(await page.evaluate(() => window.scrollY), 0);
        assert.deepStrictEqual(chromium.errors, []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});
