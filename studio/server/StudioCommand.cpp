#include "studio/server/StudioCommand.h"

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "studio/server/DocumentFiles.h"
#include "studio/server/StudioEngine.h"
#include "studio/server/StudioServer.h"

extern char** environ;

namespace studio {
namespace {

bool IsLoopback(const std::string& address) {
  return address == "127.0.0.1" || address == "::1" || address == "localhost";
}

// Asks the desktop to open the address; a machine without one just keeps
// the printed line.
void OpenBrowser(const std::string& url) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", &actions, nullptr, argv, environ) == 0) {
    waitpid(child, nullptr, WNOHANG);
  }
  posix_spawn_file_actions_destroy(&actions);
}

EngineSettings EngineSettingsOf(const StudioOptions& options) {
  EngineSettings settings;
  settings.layer.input = options.input;
  settings.layer.width = options.size.width;
  settings.layer.height = options.size.height;
  settings.layer.depth = options.depth;
  settings.frames = options.frames;
  settings.fps = options.fps;
  settings.module_path = options.module_path;
  settings.host = options.host;
  return settings;
}

}  // namespace

int RunStudio(const StudioOptions& options) {
  // Each of the server's request threads would get a malloc arena of its own,
  // whose freed frame buffers go back to the system and are faulted in afresh
  // by the next render (measured: a full-size render 28 -> 19 ms). One arena
  // keeps them for reuse, as the command's heap settings do for its thread.
  // Requests render one at a time, so the arena's lock is not contended.
  mallopt(M_ARENA_MAX, 1);
  if (!IsLoopback(options.bind)) {
    std::fprintf(
        stderr,
        "lustre-strand: warning: --bind %s makes the studio reachable from other machines; "
        "anyone who learns the address and token can change and save the document\n",
        options.bind.c_str());
  }
  DocumentFiles files(options.params_file.empty() ? "studio.json" : options.params_file);
  StudioEngine engine(EngineSettingsOf(options));
  // A document `render` would refuse is refused before the page opens it,
  // with the message `render` gives: the page could neither show it nor
  // keep what it cannot show (an unknown name) through a save.
  engine.CheckDocument(files.ReadDocument(), "params file '" + files.DocumentPath() + "'");
  ServerSettings server_settings;
  server_settings.bind = options.bind;
  server_settings.port = options.port;
  server_settings.input = options.input;
  StudioServer server(engine, files, server_settings);
  server.Bind();
  std::atomic<bool> served{false};
  std::thread serving([&server, &served] {
    server.Serve();
    served = true;
  });

  std::printf("Studio: %s\n", server.Url().c_str());
  std::fflush(stdout);
  if (options.open_browser) OpenBrowser(server.Url());

  // The command's signal handlers raise the flag; a signal that came while
  // the effect was still loading is seen here at once.
  while (!options.stop.Requested()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // Until the server has started listening, a stop would find nothing to
  // stop: ask again until it has.
  while (!served) {
    server.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  serving.join();
  return 0;
}

}  // namespace studio
