// The page's one scheduler for the show's two timers. It keeps the timer
// rules: a start begins a new period at that moment, cancelling the pending
// one; a timer ticks at the end of each period. Ticks due together run in the
// virtual backend's order: the earlier due first, then the timer whose period
// began earlier, then Timer1 before Timer2. A timer late by more than a period
// ticks once, not once for each period it missed (the missed ones are
// counted), and its next period keeps its phase, so nothing piles up into a
// burst. While paused (a hidden page) the show's clock stands still and
// every period keeps what it had left.
'use strict';

class ShowScheduler {
    // now(): milliseconds; deliver(id): runs timer `id`'s handler, which may
    // start or stop timers.
    constructor(now, deliver) {
        this.now = now;
        this.deliver = deliver;
        this.timers = [null, null];  // {interval, periodStart} while running
        this.pausedAt = null;
        this.pausedTotal = 0;
        this.handled = [0, 0];
        this.missed = [0, 0];
    }

    // The show's clock: real time less the time spent paused.
    time() {
        return (this.pausedAt !== null ? this.pausedAt : this.now()) - this.pausedTotal;
    }

    start(id, interval) {
        this.timers[id] = interval > 0 ? {interval, periodStart: this.time()} : null;
    }

    stop(id) {
        this.timers[id] = null;
    }

    pause() {
        if (this.pausedAt === null) this.pausedAt = this.now();
    }

    resume() {
        if (this.pausedAt === null) return;
        this.pausedTotal += this.now() - this.pausedAt;
        this.pausedAt = null;
    }

    // The show time of the next tick; Infinity when none is pending.
    nextDue() {
        let due = Infinity;
        for (const t of this.timers) {
            if (t !== null) due = Math.min(due, t.periodStart + t.interval);
        }
        return due;
    }

    // Milliseconds of real time until the next tick, or null when none is.
    delay() {
        if (this.pausedAt !== null) return null;
        const due = this.nextDue();
        return due === Infinity ? null : Math.max(0, due - this.time());
    }

    // Delivers every tick due by now, each timer once, in order.
    runDue() {
        if (this.pausedAt !== null) return;
        const now = this.time();
        for (;;) {
            let next = -1;
            for (let id = 0; id < this.timers.length; ++id) {
                const t = this.timers[id];
                if (t === null || t.periodStart + t.interval > now) continue;
                if (next < 0) {
                    next = id;
                    continue;
                }
                const n = this.timers[next];
                const due = t.periodStart + t.interval;
                const nextDue = n.periodStart + n.interval;
                if (due < nextDue || (due === nextDue && t.periodStart < n.periodStart)) next = id;
            }
            if (next < 0) return;
            const t = this.timers[next];
            const late = Math.floor((now - (t.periodStart + t.interval)) / t.interval);
            this.missed[next] += late;
            t.periodStart += (late + 1) * t.interval;
            ++this.handled[next];
            this.deliver(next);
        }
    }
}

if (typeof module !== 'undefined') module.exports = {ShowScheduler};
