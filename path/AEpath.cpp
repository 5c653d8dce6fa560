#include "path/AEpath.h"

#include "Common/AEException.h"

AEpath::AEpath(PF_InData* in_data, PF_ParamDef* params[], int paramIndex)
    : suites_(in_data->pica_basicP),
      path_(nullptr),
      pathId_(params[paramIndex]->u.path_d.path_id),
      inData_(in_data),
      checkedOut_(false),
      numSegments_(0) {}

AEpath::~AEpath() {
  if (checkedOut_) {
    try {
      // The host's answer to a check-in is not looked at.
      suites_.PathQuerySuite()->PF_CheckinPath(inData_->effect_ref, pathId_, false, path_);
    } catch (...) {
      // Destruction never throws; the query suite was obtained at checkout.
    }
  }
}

bool AEpath::Checkout() {
  if (checkedOut_) {
    return true;
  }
  if (pathId_ == 0) {
    return false;  // no mask chosen
  }
  PF_PathOutlinePtr path = nullptr;
  const PF_Err err = suites_.PathQuerySuite()->PF_CheckoutPath(
      inData_->effect_ref, pathId_, inData_->current_time, inData_->time_step,
      inData_->time_scale, &path);
  if (err != PF_Err_NONE) {
    throw AEException(err, "AEPath: Could not obtain path data");
  }
  if (path == nullptr) {
    return false;  // the mask has no shape at this time
  }
  path_ = path;
  checkedOut_ = true;
  A_long segments = 0;
  const PF_Err countErr =
      suites_.PathDataSuite()->PF_PathNumSegments(inData_->effect_ref, path_, &segments);
  if (countErr != PF_Err_NONE) {
    throw AEException(countErr, "AEpath: Path error");
  }
  numSegments_ = segments;
  return true;
}

void AEpath::RequireCheckedOut() const {
  if (!checkedOut_) {
    throw AEException(1, "PathObject : Path not checked out");
  }
}

bool AEpath::IsOpen() {
  RequireCheckedOut();
  PF_Boolean open = 0;
  const PF_Err err = suites_.PathDataSuite()->PF_PathIsOpen(inData_->effect_ref, path_, &open);
  if (err != PF_Err_NONE) {
    throw AEException(err, "AEpath: Path error");
  }
  return open != 0;
}

int32_t AEpath::NumSegments() {
  RequireCheckedOut();
  return numSegments_;
}

int32_t AEpath::NumVertices() {
  RequireCheckedOut();
  return numSegments_ + 1;
}

PF_PathVertex& AEpath::GetVertex(PF_PathVertex& out, int32_t index) {
  RequireCheckedOut();
  const PF_Err err =
      suites_.PathDataSuite()->PF_PathVertexInfo(inData_->effect_ref, path_, index, &out);
  if (err != PF_Err_NONE) {
    throw AEException(err, "AEpath: Could not get vertex from path.");
  }
  return out;
}
