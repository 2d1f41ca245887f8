// The page's scheduler: the timer rules and the order of ticks due together.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const {ShowScheduler} = require(path.join(__dirname, '../../../platform/web/site/scheduler.js'));

// A scheduler on a clock the test moves; `handlers[id]` runs at each tick.
function Make(handlers = {}) {
    const clock = {ms: 0};
    const log = [];
    const s = new ShowScheduler(
        () => clock.ms,
        (id) => {
            log.push(`${clock.ms}:${id}`);
            if (handlers[id]) handlers[id](s);
        });
    const at = (ms) => {
        clock.ms = ms;
        s.runDue();
    };
    return {s, clock, log, at};
}

test('ticks due together run in the virtual backend order', () => {
    // Both begin together: Timer1 first.
    let m = Make();
    m.s.start(1, 100);
    m.s.start(0, 100);
    m.at(100);
    assert.deepStrictEqual(m.log, ['100:0', '100:1']);

    // The period that began earlier goes first, whatever the ids.
    m = Make();
    m.s.start(1, 300);
    m.clock.ms = 100;
    m.s.start(0, 200);
    m.at(300);
    assert.deepStrictEqual(m.log, ['300:1', '300:0']);

    // A tick cancelled by a restart in the handler before it is not run;
    // the restarted period counts from that moment.
    m = Make({0: (s) => s.start(1, 30)});
    m.s.start(0, 3000);
    m.s.start(1, 3000);
    m.at(3000);
    assert.deepStrictEqual(m.log, ['3000:0']);
    assert.strictEqual(m.s.nextDue(), 3030);
});

test('a late timer ticks once, keeps its phase and counts what it missed', () => {
    const m = Make();
    m.s.start(1, 30);
    m.s.start(0, 3000);
    m.at(3100);  // three flicker periods and more late
    assert.deepStrictEqual(m.log, ['3100:1', '3100:0']);  // 1 was due at 30, 0 at 3000
    assert.deepStrictEqual(m.s.missed, [0, 102]);
    assert.strictEqual(m.s.nextDue(), 3120);
    m.at(3120);
    assert.deepStrictEqual(m.s.handled, [1, 2]);
});

test('a paused clock stands still and each period keeps what it had left', () => {
    const m = Make();
    m.s.start(0, 3000);
    m.at(1000);
    m.s.pause();
    m.at(60000);  // a hidden page for a minute
    assert.deepStrictEqual(m.log, []);
    assert.strictEqual(m.s.delay(), null);
    m.s.resume();
    assert.strictEqual(m.s.delay(), 2000);
    m.at(61999);
    m.at(62000);
    assert.deepStrictEqual(m.log, ['62000:0']);
    assert.deepStrictEqual(m.s.missed, [0, 0]);
});
