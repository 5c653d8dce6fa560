// The embedded host's worker threads. A host decides how many threads its
// work may use: by default every core, capped by the environment variable
// LUSTRE_STRAND_THREADS (for hosts that cannot pass an option, such as the
// plug-in inside ffmpeg, melt or GStreamer) or by the embedding program.
#pragma once

#include <functional>

namespace embedded {

// The number of threads the host's parallel work uses (at least 1).
int HostThreadCount();
// Sets it for the whole process; n < 1 restores the default.
void SetHostThreadCount(int n);
// The default: LUSTRE_STRAND_THREADS when it holds a positive number, else
// the number of cores.
int DefaultHostThreadCount();

// Runs band(0) ... band(count - 1), each exactly once, on up to
// HostThreadCount() threads, and returns when all are done. The calling
// thread works bands too (all of them when one thread is allowed); a band's
// work must depend on its number alone, never on which thread runs it.
// An exception thrown by a band is rethrown here after every band has ended
// (the one of the lowest band number when several throw).
void RunBands(int count, const std::function<void(int band)>& band);

}  // namespace embedded
