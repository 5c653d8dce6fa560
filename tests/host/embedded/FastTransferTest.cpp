// The fast transfer_rect against the double-precision reference routine: every
// mode, both depths, three opacities and every pairing of transparent, partial
// and opaque alphas on random pixels; within one level per channel, Dissolve
// and untouched pixels exact; the same bytes on any number of threads.
#include "host/embedded/FastTransfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HostThreads.h"
#include "host/embedded/PixelCallbacks.h"
#include "host/embedded/TransferModes.h"

namespace {

constexpr PF_TransferMode kAllModes[] = {
    PF_Xfer_COPY,         PF_Xfer_IN_FRONT,    PF_Xfer_DISSOLVE,     PF_Xfer_ADD,
    PF_Xfer_MULTIPLY,     PF_Xfer_SCREEN,      PF_Xfer_OVERLAY,      PF_Xfer_SOFT_LIGHT,
    PF_Xfer_HARD_LIGHT,   PF_Xfer_DARKEN,      PF_Xfer_LIGHTEN,      PF_Xfer_DIFFERENCE,
    PF_Xfer_HUE,          PF_Xfer_SATURATION,  PF_Xfer_COLOR,        PF_Xfer_LUMINOSITY,
    PF_Xfer_ALPHA_ADD,    PF_Xfer_COLOR_DODGE, PF_Xfer_COLOR_BURN,   PF_Xfer_EXCLUSION,
    PF_Xfer_DIFFERENCE2,  PF_Xfer_COLOR_DODGE2, PF_Xfer_COLOR_BURN2, PF_Xfer_LINEAR_LIGHT,
    PF_Xfer_VIVID_LIGHT,  PF_Xfer_PIN_LIGHT};

// Worlds as flat channel arrays: rows of width * 4 channels (alpha, r, g, b).
struct Frame {
  embedded::EmbeddedHost host;
  PF_EffectWorld* src;
  PF_EffectWorld* dst;
  bool deep;
  int full;

  Frame(A_long w, A_long h, bool deep_) : deep(deep_), full(deep_ ? 32768 : 255) {
    src = host.CreateWorld(w, h, deep, true);
    dst = host.CreateWorld(w, h, deep, true);
  }
  int Get(const PF_EffectWorld& world, A_long i) const {
    const A_long row = i / (world.width * 4), k = i % (world.width * 4);
    const char* p = static_cast<const char*>(world.data) + row * world.rowbytes;
    return deep ? reinterpret_cast<const A_u_short*>(p)[k] : reinterpret_cast<const A_u_char*>(p)[k];
  }
  void Set(PF_EffectWorld& world, A_long i, int v) {
    const A_long row = i / (world.width * 4), k = i % (world.width * 4);
    char* p = static_cast<char*>(world.data) + row * world.rowbytes;
    if (deep) reinterpret_cast<A_u_short*>(p)[k] = static_cast<A_u_short>(v);
    else reinterpret_cast<A_u_char*>(p)[k] = static_cast<A_u_char>(v);
  }
  A_long Channels() const { return dst->width * dst->height * 4; }
  std::vector<int> Dst() const {
    std::vector<int> out(static_cast<size_t>(Channels()));
    for (A_long i = 0; i < Channels(); ++i) out[static_cast<size_t>(i)] = Get(*dst, i);
    return out;
  }
  void SetDst(const std::vector<int>& v) {
    for (A_long i = 0; i < Channels(); ++i) Set(*dst, i, v[static_cast<size_t>(i)]);
  }
};

// Random colours, a sixth of them at the levels where blends branch or
// divide (0, half, full); alphas by row, each row one pairing of transparent,
// partial and opaque source and destination (row % 9), or random per pixel
// when mixed.
void FillRandom(Frame& f, unsigned seed, bool mixedAlpha = false) {
  std::mt19937 rng(seed);
  const int special[] = {0, f.full / 2, f.full};
  auto colour = [&] {
    return rng() % 6 == 0 ? special[rng() % 3] : static_cast<int>(rng() % (f.full + 1));
  };
  auto alpha = [&](unsigned kind) {
    return kind == 0 ? 0 : kind == 2 ? f.full : 1 + static_cast<int>(rng() % (f.full - 1));
  };
  for (A_long i = 0; i < f.Channels(); ++i) {
    const A_long row = i / (f.dst->width * 4);
    const unsigned pairing = mixedAlpha ? rng() % 9 : static_cast<unsigned>(row % 9);
    const bool isAlpha = i % 4 == 0;
    f.Set(*f.src, i, isAlpha ? alpha(pairing / 3) : colour());
    f.Set(*f.dst, i, isAlpha ? alpha(pairing % 3) : colour());
  }
}

PF_CompositeMode Comp(PF_TransferMode mode, bool deep, double opacity, bool rgbOnly = false) {
  PF_CompositeMode comp{};
  comp.xfer = mode;
  comp.rand_seed = 1234;
  comp.rgb_only = rgbOnly;
  comp.opacity = static_cast<A_u_char>(deep ? 0 : opacity * 255 + 0.5);
  comp.opacitySu = static_cast<A_u_short>(deep ? opacity * 32768 + 0.5 : 0);
  return comp;
}

struct Outcome {
  int maxDiff = 0;
  long differing = 0, touched = 0, untouchedChanged = 0;
};

// Runs the reference and the fast routine on copies of the same destination
// and compares them; a pixel the reference left as it was must be left so.
Outcome Compare(Frame& f, const PF_CompositeMode& comp, PF_Field field = PF_Field_FRAME,
                const PF_Rect* rect = nullptr, A_long dx = 0, A_long dy = 0) {
  const std::vector<int> before = f.Dst();
  EXPECT_EQ(embedded::TransferWorldRect(PF_MF_Alpha_STRAIGHT, field, rect, *f.src, comp, dx, dy, *f.dst), PF_Err_NONE);
  const std::vector<int> reference = f.Dst();
  f.SetDst(before);
  EXPECT_EQ(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, field, rect, *f.src, comp, dx, dy, *f.dst), PF_Err_NONE);
  const std::vector<int> fast = f.Dst();
  Outcome o;
  for (size_t p = 0; p < before.size(); p += 4) {
    const bool untouched = std::equal(&before[p], &before[p] + 4, &reference[p]);
    for (size_t k = p; k < p + 4; ++k) {
      const int diff = std::abs(fast[k] - reference[k]);
      o.maxDiff = std::max(o.maxDiff, diff);
      o.differing += diff != 0;
      o.untouchedChanged += untouched && fast[k] != before[k];
      o.touched += !untouched;
    }
  }
  return o;
}

// ---- Every mode x depth x opacity, every alpha pairing ----------------------------------

struct ModeCase { PF_TransferMode mode; bool deep; double opacity; };

class FastMatchesReference : public ::testing::TestWithParam<ModeCase> {};

TEST_P(FastMatchesReference, WithinOneLevelAndExactWhereNothingIsLaid) {
  const ModeCase& c = GetParam();
  // An odd width, so every row ends in a partial group of four.
  Frame f(203, 18, c.deep);
  FillRandom(f, 77u + static_cast<unsigned>(c.mode));
  const Outcome o = Compare(f, Comp(c.mode, c.deep, c.opacity));
  EXPECT_LE(o.maxDiff, c.mode == PF_Xfer_DISSOLVE ? 0 : 1);
  EXPECT_EQ(o.untouchedChanged, 0) << "transparent source or opacity 0 must keep the destination";
  // The two round the same values; only ties at a half may land apart.
  const double share = o.touched ? static_cast<double>(o.differing) / o.touched : 0.0;
  EXPECT_LT(share, 0.01);
  RecordProperty("differing_share", std::to_string(share));
}

std::vector<ModeCase> AllModeCases() {
  std::vector<ModeCase> cases;
  for (PF_TransferMode m : kAllModes)
    for (bool deep : {false, true})
      for (double opacity : {0.0, 0.37, 1.0}) cases.push_back({m, deep, opacity});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllModes, FastMatchesReference, ::testing::ValuesIn(AllModeCases()), [](const auto& info) {
  return "mode" + std::to_string(info.param.mode) + (info.param.deep ? "_16bit" : "_8bit") + "_opacity" +
         std::to_string(static_cast<int>(info.param.opacity * 100));
});

// ---- Every pair of 8-bit levels ------------------------------------------------------------

// Each of the 65536 pairs of source and backdrop levels, in every channel
// (rotated so each channel meets every pair), over an opaque and a partial
// backdrop, at full and partial opacity.
class FastEveryLevelPair : public ::testing::TestWithParam<PF_TransferMode> {};

TEST_P(FastEveryLevelPair, WithinOneLevel) {
  for (const int backdropAlpha : {255, 140}) {
    for (const double opacity : {1.0, 0.6}) {
      SCOPED_TRACE(testing::Message() << "backdrop alpha " << backdropAlpha << ", opacity " << opacity);
      Frame f(256, 256, false);
      for (A_long i = 0; i < f.Channels(); i += 4) {
        const int s = i / 4 / 256, b = i / 4 % 256;
        f.Set(*f.src, i, 255);
        f.Set(*f.dst, i, backdropAlpha);
        for (int k = 1; k <= 3; ++k) {
          f.Set(*f.src, i + k, (s + 85 * (k - 1)) % 256);
          f.Set(*f.dst, i + k, (b + 51 * (k - 1)) % 256);
        }
      }
      EXPECT_LE(Compare(f, Comp(GetParam(), false, opacity)).maxDiff, 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(HeavySeparable, FastEveryLevelPair,
                         ::testing::Values(PF_Xfer_SOFT_LIGHT, PF_Xfer_OVERLAY, PF_Xfer_COLOR_DODGE));

// ---- Fields, rgb_only, clipping ----------------------------------------------------------

struct PlacementCase { const char* name; PF_Field field; bool rgbOnly; bool hasRect; PF_Rect rect; A_long dx, dy; };

class FastPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(FastPlacement, TouchesWhatTheReferenceTouches) {
  const PlacementCase& c = GetParam();
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep ? "16-bit" : "8-bit");
    Frame f(37, 23, deep);
    FillRandom(f, 5u, true);
    const std::vector<int> before = f.Dst();
    const Outcome o = Compare(f, Comp(PF_Xfer_SCREEN, deep, 0.8, c.rgbOnly), c.field, c.hasRect ? &c.rect : nullptr, c.dx, c.dy);
    EXPECT_LE(o.maxDiff, 1);
    EXPECT_EQ(o.untouchedChanged, 0);
    EXPECT_GT(o.touched, 0);
    if (c.rgbOnly) {
      for (A_long i = 0; i < f.Channels(); i += 4) ASSERT_EQ(f.Get(*f.dst, i), before[static_cast<size_t>(i)]) << "alpha at " << i / 4;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FastPlacement,
    ::testing::Values(PlacementCase{"upper field", PF_Field_UPPER, false, false, {}, 0, 0},
                      PlacementCase{"lower field, moved", PF_Field_LOWER, false, false, {}, 3, 1},
                      PlacementCase{"rgb only", PF_Field_FRAME, true, false, {}, 0, 0},
                      PlacementCase{"rectangle moved", PF_Field_FRAME, false, true, {2, 3, 30, 17}, 5, 4},
                      PlacementCase{"rectangle outside the source", PF_Field_FRAME, false, true, {-4, -2, 50, 9}, 0, 0},
                      PlacementCase{"negative destination", PF_Field_LOWER, false, false, {}, -6, -3}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
      return name;
    });

// ---- Threads ----------------------------------------------------------------------------

// A frame large enough for several bands gives the same bytes on one thread
// and on several.
TEST(FastTransferThreads, SameBytesOnOneAndOnSeveralThreads) {
  for (bool deep : {false, true})
    for (PF_TransferMode mode : {PF_Xfer_DISSOLVE, PF_Xfer_SOFT_LIGHT, PF_Xfer_HUE, PF_Xfer_ALPHA_ADD}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + (deep ? " 16-bit" : " 8-bit"));
      Frame f(640, 450, deep);
      FillRandom(f, 9u, true);
      const std::vector<int> before = f.Dst();
      const PF_CompositeMode comp = Comp(mode, deep, 0.9);
      std::vector<std::vector<int>> results;
      for (int threads : {1, 3, 4}) {
        embedded::SetHostThreadCount(threads);
        f.SetDst(before);
        ASSERT_EQ(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst), PF_Err_NONE);
        results.push_back(f.Dst());
      }
      embedded::SetHostThreadCount(0);
      EXPECT_NE(results[0], before);
      EXPECT_TRUE(results[0] == results[1] && results[0] == results[2]);
    }
}

// ---- The host's choice and the refusals ---------------------------------------------------

// HostTransferRect runs the reference for a host that asks for it and the fast
// routine otherwise; both refuse the same requests.
TEST(FastTransferHost, RoutesByTheHostsArithmetic) {
  Frame f(203, 18, true);
  FillRandom(f, 3u);
  const PF_CompositeMode comp = Comp(PF_Xfer_SOFT_LIGHT, true, 0.37);
  const std::vector<int> before = f.Dst();
  auto run = [&](auto transfer) {
    f.SetDst(before);
    EXPECT_EQ(transfer(), PF_Err_NONE);
    return f.Dst();
  };
  auto host = [&] { return embedded::HostTransferRect(f.host.InData()->effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, f.src, &comp, nullptr, 0, 0, f.dst); };
  const auto reference = run([&] { return embedded::TransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst); });
  const auto fast = run([&] { return embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst); });
  ASSERT_NE(reference, fast) << "the two must differ somewhere for this test to tell them apart";
  EXPECT_EQ(run(host), fast) << "fast by default";
  f.host.SetTransferArithmetic(embedded::EmbeddedHost::TransferArithmetic::kReference);
  EXPECT_EQ(run(host), reference);
  EXPECT_EQ(run([&] { return embedded::HostTransferRect(nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, f.src, &comp, nullptr, 0, 0, f.dst); }), fast)
      << "no host: fast";
}

TEST(FastTransferHost, RefusesWhatTheReferenceRefuses) {
  Frame f(4, 2, false), deep(4, 2, true);
  for (PF_TransferMode mode = -2; mode <= 40; ++mode) {
    const PF_CompositeMode comp = Comp(mode, false, 1.0);
    EXPECT_EQ(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst),
              embedded::TransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst))
        << "mode " << mode;
  }
  const PF_CompositeMode comp = Comp(PF_Xfer_MULTIPLY, false, 1.0);
  EXPECT_NE(embedded::FastTransferWorldRect(PF_MF_Alpha_PREMUL, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst), PF_Err_NONE);
  EXPECT_NE(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *deep.dst), PF_Err_NONE);
}

}  // namespace
