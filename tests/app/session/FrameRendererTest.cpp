// The time fields the effect receives for each frame, read from the in_data
// the module was called with (the host keeps it between calls).
#include <gtest/gtest.h>

#include "app/session/FrameRenderer.h"

namespace {

TEST(FrameRendererTime, EachFrameCarriesItsTimeInUnitsOfTheRate) {
  // clang-format off
  const struct { app::Rational fps; long frame_count, frame; A_long current, step; A_u_long scale;
                 A_long total; } cases[] = {
      {{24, 1}, 1, 0, 0, 1, 24, 1},
      {{24, 1}, 96, 47, 47, 1, 24, 96},
      // NTSC: a frame lasts 1001 units of 1/30000 s.
      {{30000, 1001}, 96, 47, 47 * 1001, 1001, 30000, 96 * 1001},
      {{25, 1}, 250, 249, 249, 1, 25, 250}};
  // clang-format on
  app::EffectSession session(LUSTRE_MODULE_PATH, app::HostSettings{});
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.fps.num) + "/" + std::to_string(c.fps.den) + " frame " +
                 std::to_string(c.frame));
    app::FrameRenderer renderer(session, {16, 8, false}, {}, {c.fps, c.frame_count});
    renderer.Render(c.frame, nullptr);
    const PF_InData& in = *session.Host().InData();
    EXPECT_EQ(std::vector({in.current_time, in.time_step, in.local_time_step, in.total_time}),
              std::vector({c.current, c.step, c.step, c.total}));
    EXPECT_EQ(in.time_scale, c.scale);
  }
}

}  // namespace
