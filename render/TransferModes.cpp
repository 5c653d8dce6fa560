#include "render/TransferModes.h"

namespace {

// Each list's text (choices separated by '|') and the host code of every entry
// in popup order. Color Burn, Color Dodge and Difference change code in the
// 25-entry list, where the classic forms keep the old codes.
struct TransferModeTable {
  const char* text;
  int32_t count;
  const PF_TransferMode* codes;
};

constexpr PF_TransferMode kCodes15[] = {
    PF_Xfer_NONE,       PF_Xfer_DISSOLVE,   PF_Xfer_DARKEN,     PF_Xfer_MULTIPLY,
    PF_Xfer_ADD,        PF_Xfer_LIGHTEN,    PF_Xfer_SCREEN,     PF_Xfer_OVERLAY,
    PF_Xfer_SOFT_LIGHT, PF_Xfer_HARD_LIGHT, PF_Xfer_DIFFERENCE, PF_Xfer_HUE,
    PF_Xfer_SATURATION, PF_Xfer_COLOR,      PF_Xfer_LUMINOSITY,
};

constexpr PF_TransferMode kCodes19[] = {
    PF_Xfer_NONE,        PF_Xfer_DISSOLVE,   PF_Xfer_DARKEN,     PF_Xfer_MULTIPLY,
    PF_Xfer_COLOR_BURN,  PF_Xfer_ADD,        PF_Xfer_LIGHTEN,    PF_Xfer_SCREEN,
    PF_Xfer_COLOR_DODGE, PF_Xfer_OVERLAY,    PF_Xfer_SOFT_LIGHT, PF_Xfer_HARD_LIGHT,
    PF_Xfer_DIFFERENCE,  PF_Xfer_EXCLUSION,  PF_Xfer_HUE,        PF_Xfer_SATURATION,
    PF_Xfer_COLOR,       PF_Xfer_LUMINOSITY, PF_Xfer_ALPHA_ADD,
};

constexpr PF_TransferMode kCodes25[] = {
    PF_Xfer_NONE,         PF_Xfer_DISSOLVE,     PF_Xfer_DARKEN,      PF_Xfer_MULTIPLY,
    PF_Xfer_COLOR_BURN2,  PF_Xfer_COLOR_BURN,   PF_Xfer_ADD,         PF_Xfer_LIGHTEN,
    PF_Xfer_SCREEN,       PF_Xfer_COLOR_DODGE2, PF_Xfer_COLOR_DODGE, PF_Xfer_OVERLAY,
    PF_Xfer_SOFT_LIGHT,   PF_Xfer_HARD_LIGHT,   PF_Xfer_LINEAR_LIGHT, PF_Xfer_VIVID_LIGHT,
    PF_Xfer_PIN_LIGHT,    PF_Xfer_DIFFERENCE2,  PF_Xfer_DIFFERENCE,  PF_Xfer_EXCLUSION,
    PF_Xfer_HUE,          PF_Xfer_SATURATION,   PF_Xfer_COLOR,       PF_Xfer_LUMINOSITY,
    PF_Xfer_ALPHA_ADD,
};

constexpr TransferModeTable kList15{
    "Normal|Dissolve|Darken|Multiply|Add|Lighten|Screen|Overlay|Soft Light|Hard Light|"
    "Difference|Hue|Saturation|Color|Luminosity",
    15, kCodes15};

constexpr TransferModeTable kList19{
    "Normal|Dissolve|Darken|Multiply|Color Burn|Add|Lighten|Screen|Color Dodge|Overlay|"
    "Soft Light|Hard Light|Difference|Exclusion|Hue|Saturation|Color|Luminosity|Alpha Add",
    19, kCodes19};

constexpr TransferModeTable kList25{
    "Normal|Dissolve|Darken|Multiply|Color Burn|Classic Color Burn|Add|Lighten|Screen|"
    "Color Dodge|Classic Color Dodge|Overlay|Soft Light|Hard Light|Linear Light|Vivid Light|"
    "Pin Light|Difference|Classic Difference|Exclusion|Hue|Saturation|Color|Luminosity|"
    "Alpha Add",
    25, kCodes25};

static_assert(sizeof kCodes15 / sizeof kCodes15[0] == 15);
static_assert(sizeof kCodes19 / sizeof kCodes19[0] == 19);
static_assert(sizeof kCodes25 / sizeof kCodes25[0] == 25);

// Tested in this order: old hosts get 15; minor below 10 or no file-import
// suite 19; the rest 25.
const TransferModeTable& TableFor(const HostInfo& host) {
  if (host.versionMajor < 12) {
    return kList15;
  }
  if (host.versionMinor < 10 || !host.hasFileImportManager) {
    return kList19;
  }
  return kList25;
}

}  // namespace

int32_t TransferModeCount(const HostInfo& host) { return TableFor(host).count; }

const char* TransferModeList(const HostInfo& host) { return TableFor(host).text; }

PF_TransferMode TransferModeFromPopup(const HostInfo& host, int32_t index) {
  const TransferModeTable& table = TableFor(host);
  if (index < 0 || index >= table.count) {
    return PF_Xfer_NONE;
  }
  return table.codes[index];
}

int32_t TransferModeCount() { return TransferModeCount(GetHostInfo()); }

const char* TransferModeList() { return TransferModeList(GetHostInfo()); }

PF_TransferMode TransferModeFromPopup(int32_t index) {
  return TransferModeFromPopup(GetHostInfo(), index);
}
