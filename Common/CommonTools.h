// Operations on whole image worlds and single pixels, and the plane geometry
// shared by the path and stroke code.
#pragma once

#include <cstdint>

#include "Common/AEWorld.h"
#include "Common/DepthColor.h"
#include "Common/Vec2d.h"

// Inclusive rectangle: bottom and right belong to it.
struct WorldRect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

// Inclusive integer box used by drawing code.
struct IntBox {
  int32_t left;
  int32_t right;
  int32_t top;
  int32_t bottom;
};

// ---- World operations (each checks its AEWorld is usable first) ------------
void FillWorld(AEWorld& world, const DepthColor& color, const WorldRect* rect);
void Blit(const PF_EffectWorld& source, PF_EffectWorld& dest, const WorldRect* sourceRect,
          int32_t destX, int32_t destY);
void CopyWorld(const PF_EffectWorld& source, PF_EffectWorld& dest);
void CopyInto(AEWorld& dest, const PF_EffectWorld& source, int32_t x, int32_t y);
void Transfer(PF_InData* in_data, const PF_EffectWorld& source, PF_EffectWorld& dest,
              double amount, PF_TransferMode mode, PF_Quality quality, const WorldRect* rect);
void DrawLine(AEWorld& world, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              const DepthColor& color);
void DrawRect(const IntBox& box, AEWorld& world, const DepthColor& color);

// ---- Pixel blending -------------------------------------------------------------
PF_Pixel FlattenOnBlack(const PF_Pixel& p);
PF_Pixel16 FlattenOnBlack(const PF_Pixel16& p);
// (B * t + A * (full - t)) >> shift on all four channels; t in 0..255 / 0..32768.
PF_Pixel BlendPixels(const PF_Pixel& a, const PF_Pixel& b, uint32_t t);
PF_Pixel16 BlendPixels(const PF_Pixel16& a, const PF_Pixel16& b, uint32_t t);

// ---- Plane geometry ----------------------------------------------------------------
bool SameSide(const Vec2d& p, const Vec2d& q, const Vec2d& a, const Vec2d& b);
bool PointInTriangle(const Vec2d& p, const Vec2d& t1, const Vec2d& t2, const Vec2d& t3);
// 0: no intersection, 1: one point (written to out when given), 2: parallel.
int SegmentIntersection(const Vec2d& p1, const Vec2d& p2, const Vec2d& p3, const Vec2d& p4,
                        Vec2d* out);
// Unbounded lines P1P2 and P3P4; false when parallel.
bool LineIntersection(const Vec2d& p1, const Vec2d& p2, const Vec2d& p3, const Vec2d& p4,
                      Vec2d* point, double* t, double* u);
double DistanceToLine(const Vec2d& p, const Vec2d& a, const Vec2d& b);
// v < lo ? lo : (v > hi ? hi : v)
inline int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}
void ClampBox(IntBox& box, int32_t loX, int32_t hiX, int32_t loY, int32_t hiY);
