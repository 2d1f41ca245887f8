// The show's clock on the page: real time less the time the page spent
// hidden. While paused (a hidden page) it stands still, so every timer period
// keeps what it had left; the timers' own rules are the program's.
'use strict';

class ShowClock {
    // now(): the page's milliseconds.
    constructor(now) {
        this.now = now;
        this.pausedAt = null;
        this.pausedTotal = 0;
    }

    time() {
        return (this.pausedAt !== null ? this.pausedAt : this.now()) - this.pausedTotal;
    }

    paused() {
        return this.pausedAt !== null;
    }

    pause() {
        if (this.pausedAt === null) this.pausedAt = this.now();
    }

    resume() {
        if (this.pausedAt === null) return;
        this.pausedTotal += this.now() - this.pausedAt;
        this.pausedAt = null;
    }
}

if (typeof module !== 'undefined') module.exports = {ShowClock};
