// The function suites the effect asks of the host through the basic suite.
#pragma once

#include "host/sdk/EffectTypes.h"

#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion1 1

typedef struct PF_ParamUtilsSuite1 {
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                             const PF_ParamDef* defP);
} PF_ParamUtilsSuite1;

#define kPFPathQuerySuite "PF Path Query Suite"
#define kPFPathQuerySuiteVersion1 1

typedef struct PF_PathQuerySuite1 {
  PF_Err (*PF_NumPaths)(PF_ProgPtr effect_ref, A_long* num_pathsPL);
  PF_Err (*PF_PathInfo)(PF_ProgPtr effect_ref, A_long indexL, PF_PathID* unique_idP);
  PF_Err (*PF_CheckoutPath)(PF_ProgPtr effect_ref, PF_PathID unique_id, A_long what_time,
                            A_long time_step, A_u_long time_scale, PF_PathOutlinePtr* pathPP);
  PF_Err (*PF_CheckinPath)(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean changedB,
                           PF_PathOutlinePtr pathP);
} PF_PathQuerySuite1;

#define kPFPathDataSuite "PF Path Data Suite"
#define kPFPathDataSuiteVersion1 1

typedef struct PF_PathDataSuite1 {
  PF_Err (*PF_PathIsOpen)(PF_ProgPtr effect_ref, PF_PathOutlinePtr pathP, PF_Boolean* openPB);
  PF_Err (*PF_PathNumSegments)(PF_ProgPtr effect_ref, PF_PathOutlinePtr pathP,
                               A_long* num_segmentsPL);
  PF_Err (*PF_PathVertexInfo)(PF_ProgPtr effect_ref, PF_PathOutlinePtr pathP, A_long which_pointL,
                              PF_PathVertex* vertexP);
} PF_PathDataSuite1;

// Only whether the host hands this suite out is ever asked; its functions are
// not used, so the table stays opaque.
#define kAEGPFileImportManagerSuite "AEGP File Import Manager Suite"
#define kAEGPFileImportManagerSuiteVersion2 2
typedef struct AEGP_FileImportManagerSuite2 AEGP_FileImportManagerSuite2;

// Parallel iteration on the host's threads (an effect starts none of its
// own). iterate_generic calls fn_func(refconPV, thread_indexL, i, iterationsL)
// exactly once for every i in [0, iterationsL), on threads of the host's
// choosing, and returns when every call has returned. thread_indexL numbers
// the thread running the call, 0 being the thread that called iterate_generic
// (which works calls too); the result is the error of the lowest i whose call
// failed, or PF_Err_NONE.
#define kPFIterateGenericSuite "PF Iterate Generic Suite"
#define kPFIterateGenericSuiteVersion1 1

typedef PF_Err (*PF_IterateGenericFunc)(void* refconPV, A_long thread_indexL, A_long i,
                                        A_long iterationsL);

typedef struct PF_IterateGenericSuite1 {
  PF_Err (*iterate_generic)(A_long iterationsL, void* refconPV, PF_IterateGenericFunc fn_func);
} PF_IterateGenericSuite1;
