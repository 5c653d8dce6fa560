// The mask path source of the dormant mask layout: serves one of the layer's
// masks, chosen by a path parameter, through the PathObject interface. The
// mask is checked out of the host for the frame being rendered and checked
// back in when the object is destroyed; vertices are passed on as the host
// delivers them. Lives for one render call, on the calling thread.
#pragma once

#include <cstdint>

#include "Common/SuiteCache.h"
#include "host/sdk/EffectCallbacks.h"
#include "path/PathObject.h"

class AEpath : public PathObject {
 public:
  // Reads the mask id from the path parameter at paramIndex; asks the host
  // nothing yet.
  AEpath(PF_InData* in_data, PF_ParamDef* params[], int paramIndex);
  ~AEpath() override;
  AEpath(const AEpath&) = delete;
  AEpath& operator=(const AEpath&) = delete;

  // False when no mask is chosen or the host has no shape at this time.
  bool Checkout() override;
  bool IsOpen() override;
  int32_t NumSegments() override;
  int32_t NumVertices() override;
  PF_PathVertex& GetVertex(PF_PathVertex& out, int32_t index) override;

 private:
  void RequireCheckedOut() const;

  SuiteCache suites_;
  PF_PathOutlinePtr path_;
  PF_PathID pathId_;
  PF_InData* inData_;
  bool checkedOut_;
  int32_t numSegments_;
};
