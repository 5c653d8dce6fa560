// Keeps requests to the server to one being worked on: while one is, only
// the newest wish is kept. The wish goes out as soon as the server is done
// with the previous request -- when the runner calls ready() (a picture's
// headers arrived: rendered, its bytes on their way) or else when the reply
// is complete -- and before that reply is delivered, so that the server works
// on the next one while the page unpacks and paints this one. Replies older
// than what is already shown are dropped.
export class LatestOnly {
  constructor(run, deliver, fail) {
    this.run = run; // async (job, ready) => result
    this.deliver = deliver; // (result, job)
    this.fail = fail; // (error, job)
    this.pending = null;
    this.working = false; // the server has a request of ours it has not answered
    this.inFlight = 0; // requests whose replies have not been handled
    this.nextSeq = 1;
    this.shownSeq = 0;
  }

  request(job) {
    job.seq = this.nextSeq++;
    this.pending = job;
    this.send();
    return job.seq;
  }

  // Something newer was shown without asking: forget the waiting wish and
  // drop the replies in flight.
  skip() {
    this.pending = null;
    this.shownSeq = this.nextSeq++;
  }

  get busy() {
    return this.inFlight > 0;
  }

  get idle() {
    return this.inFlight === 0 && !this.pending;
  }

  send() {
    if (this.working || !this.pending) return;
    const job = this.pending;
    this.pending = null;
    this.working = true;
    this.inFlight++;
    let freed = false;
    const ready = () => {
      if (freed) return;
      freed = true;
      this.working = false;
      this.send();
    };
    const settle = (handle) => {
      ready();
      this.inFlight--;
      if (job.seq <= this.shownSeq) return;
      this.shownSeq = job.seq;
      handle();
    };
    this.run(job, ready).then(
      (result) => settle(() => this.deliver(result, job)),
      (error) => {
        ready();
        // 409: the server already has a newer request of ours; its reply comes.
        if (error.status === 409) this.inFlight--;
        else settle(() => this.fail(error, job));
      });
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
