#include "shell/ResourceScript.h"

#include <cstdarg>
#include <cstdio>

#include "shell/Descriptor.h"

namespace descriptor {

namespace {

// Appends formatted text, counting what would be written past the capacity.
class ScriptWriter {
 public:
  ScriptWriter(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {
    if (capacity_ != 0) {
      out_[0] = '\0';
    }
  }

  __attribute__((format(printf, 2, 3))) void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* at = length_ < capacity_ ? out_ + length_ : nullptr;
    const std::size_t room = length_ < capacity_ ? capacity_ - length_ : 0;
    const int written = std::vsnprintf(at, room, format, args);
    va_end(args);
    if (written > 0) {
      length_ += static_cast<std::size_t>(written);
    }
  }

  std::size_t Length() const { return length_; }

 private:
  char* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

// The descriptor as 16-bit words, low byte first, eight to a line: a resource
// compiler stores each word of a raw data block little-endian, so the
// resource holds exactly the descriptor bytes.
void WriteDescriptorResource(ScriptWriter& w) {
  static_assert(kBytes.size() % 2 == 0, "the descriptor is written as whole words");
  w.Print("LANGUAGE %d, %d\n", kResourceLanguage & 0x3FF, kResourceLanguage >> 10);
  w.Print("%d PIPL\nBEGIN\n", kResourceId);
  for (std::size_t i = 0; i < kBytes.size(); i += 2) {
    const unsigned word = kBytes[i] | static_cast<unsigned>(kBytes[i + 1]) << 8;
    const bool lineStart = i % 16 == 0;
    const bool last = i + 2 == kBytes.size();
    w.Print("%s0x%04x%s", lineStart ? "    " : "", word, last ? "\n" : ",");
    if (!last && (i + 2) % 16 == 0) {
      w.Print("\n");
    } else if (!last) {
      w.Print(" ");
    }
  }
  w.Print("END\n");
}

void WriteVersionBlock(ScriptWriter& w) {
  char version[32];
  std::snprintf(version, sizeof version, "%d.%d.%d", kMajorVersion, kMinorVersion, kFixVersion);
  w.Print("1 VERSIONINFO\n");
  w.Print("FILEVERSION %d,%d,%d,%d\n", kMajorVersion, kMinorVersion, kFixVersion, kBuildVersion);
  w.Print("PRODUCTVERSION %d,%d,%d,%d\n", kMajorVersion, kMinorVersion, kFixVersion,
          kBuildVersion);
  w.Print("FILEFLAGSMASK 0x3fL\nFILEFLAGS 0x0L\n");
  // A 32-bit Windows DLL.
  w.Print("FILEOS 0x40004L\nFILETYPE 0x2L\nFILESUBTYPE 0x0L\n");
  w.Print("BEGIN\n");
  w.Print("    BLOCK \"StringFileInfo\"\n    BEGIN\n");
  w.Print("        BLOCK \"040904b0\"\n        BEGIN\n");
  w.Print("            VALUE \"FileDescription\", \"%s\"\n", kEffectName);
  w.Print("            VALUE \"FileVersion\", \"%s\"\n", version);
  w.Print("            VALUE \"InternalName\", \"%s\"\n", kInternalName);
  w.Print("            VALUE \"ProductName\", \"%s\"\n", kInternalName);
  w.Print("            VALUE \"ProductVersion\", \"%s\"\n", version);
  w.Print("        END\n    END\n");
  w.Print("    BLOCK \"VarFileInfo\"\n    BEGIN\n");
  w.Print("        VALUE \"Translation\", 0x409, 1200\n");
  w.Print("    END\nEND\n");
}

}  // namespace

std::size_t WriteResourceScript(char* out, std::size_t capacity) {
  ScriptWriter w(out, capacity);
  w.Print("// Resources of the LustreStrand module: the descriptor (PIPL %d) and the\n",
          kResourceId);
  w.Print("// version block. Written by lustre-resource-script from the descriptor\n");
  w.Print("// table in shell/Descriptor.h; regenerate it rather than editing it.\n\n");
  WriteDescriptorResource(w);
  w.Print("\n");
  WriteVersionBlock(w);
  return w.Length();
}

}  // namespace descriptor
