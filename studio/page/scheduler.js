// Keeps requests to the server to one in flight: while one runs, only the
// newest wish is kept and sent when the reply comes. Replies older than what
// is already shown are dropped.
export class LatestOnly {
  constructor(run, deliver, fail) {
    this.run = run; // async (job) => result
    this.deliver = deliver; // (result, job)
    this.fail = fail; // (error, job)
    this.pending = null;
    this.busy = false;
    this.nextSeq = 1;
    this.shownSeq = 0;
  }

  request(job) {
    job.seq = this.nextSeq++;
    this.pending = job;
    if (!this.busy) this.pump();
    return job.seq;
  }

  // Something newer was shown without asking: forget the waiting wish and
  // drop the reply in flight.
  skip() {
    this.pending = null;
    this.shownSeq = this.nextSeq++;
  }

  get idle() {
    return !this.busy && !this.pending;
  }

  async pump() {
    this.busy = true;
    while (this.pending) {
      const job = this.pending;
      this.pending = null;
      try {
        const result = await this.run(job);
        if (job.seq > this.shownSeq) {
          this.shownSeq = job.seq;
          this.deliver(result, job);
        }
      } catch (error) {
        if (error.status === 409) continue; // the server already has a newer request of ours
        if (job.seq > this.shownSeq) {
          this.shownSeq = job.seq;
          this.fail(error, job);
        }
      }
    }
    this.busy = false;
  }
}

// The last few pictures, keyed by everything that decides them.
export class FrameCache {
  constructor(capacity = 12) {
    this.capacity = capacity;
    this.entries = new Map();
  }

  get(key) {
    const hit = this.entries.get(key);
    if (hit) {
      this.entries.delete(key);
      this.entries.set(key, hit);
    }
    return hit;
  }

  put(key, value) {
    this.entries.delete(key);
    this.entries.set(key, value);
    while (this.entries.size > this.capacity) this.entries.delete(this.entries.keys().next().value);
  }
}
