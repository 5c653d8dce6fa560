#include "cli/ExitStatus.h"

#include <cstdio>
#include <exception>
#include <new>

namespace cli {

std::string WithHint(const app::UsageError& error) {
  const std::string message = error.what();
  switch (error.hint()) {
    case app::Hint::kNone: return message;
    case app::Hint::kModuleLocation: return message + " (give its path with --module)";
    case app::Hint::kParameterList: return message + "; 'lustre-strand params' lists every name";
    case app::Hint::kGroupMembers:
      return message + "; 'lustre-strand params' lists the names of its members";
  }
  return message;
}

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "lustre-strand: %s\n", message.c_str());
  return status;
}

int RunReportingFailures(const std::function<void()>& command) {
  try {
    command();
  } catch (const app::UsageError& e) {
    return Fail(kExitBadInput, WithHint(e));
  } catch (const app::EffectError& e) {
    return Fail(kExitEffectError, e.what());
  } catch (const app::Cancelled&) {
    return Fail(kExitCancelled,
                "cancelled; frames finished before are kept, no partial file is left");
  } catch (const std::bad_alloc&) {
    return Fail(kExitEffectError, "error 4: Out of Memory");
  } catch (const std::exception& e) { return Fail(kExitEffectError, e.what()); }
  return kExitDone;
}

}  // namespace cli
