// The page's show clock: it stands still while the page is hidden.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const {ShowClock} = require(path.join(__dirname, '../../../programs/web/site/showclock.js'));

test('a paused clock stands still and goes on from there, however often paused', () => {
    const real = {ms: 1000};
    const clock = new ShowClock(() => real.ms);
    assert.strictEqual(clock.time(), 1000);
    clock.pause();
    real.ms = 61000;  // a hidden page for a minute
    clock.pause();    // a second pause changes nothing
    assert.strictEqual(clock.time(), 1000);
    assert.ok(clock.paused());
    clock.resume();
    clock.resume();
    assert.strictEqual(clock.time(), 1000);
    real.ms = 63000;
    assert.strictEqual(clock.time(), 3000);
});
