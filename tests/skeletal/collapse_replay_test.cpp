// The engine's drawing of a surface below full detail, replayed.
#include <gtest/gtest.h>

#include "skeletal/collapse_replay.hpp"

using namespace ossify;

TEST(CollapseReplay, FollowsTheMapDropsDegenerateTrianglesAndMarksStaleEntries) {
    // A fan of four triangles around vertex 0; 4 collapses onto 3, 3 onto 1.
    const std::vector<std::int32_t> map = {0, 0, 1, 1, 3};
    const std::vector<index_triangle> fan = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}};
    EXPECT_EQ(replay_collapse_map(map, fan, 5), fan);
    EXPECT_EQ(replay_collapse_map(map, fan, 9), fan);
    EXPECT_EQ(engine_collapse_array(map, 3), (std::vector<std::int32_t>{0, 1, 2, 1, 1}));
    EXPECT_EQ(replay_collapse_map(map, fan, 4),
              (std::vector<index_triangle>{{0, 1, 2}, {0, 2, 3}, {0, 3, 1}}));
    EXPECT_EQ(replay_collapse_map(map, fan, 3),
              (std::vector<index_triangle>{{0, 1, 2}, {0, 2, 1}}));
    EXPECT_TRUE(replay_collapse_map(map, fan, 1).empty());
    // Below one vertex even vertex 0 reads a stale entry.
    for (const index_triangle& t : replay_collapse_map(map, fan, -4))
        EXPECT_EQ(t, (index_triangle{-1, -1, -1}));

    // The identity map the tool once wrote, and entries outside the surface:
    // the engine reads what another surface left, so those corners are stray.
    const std::vector<std::int32_t> identity = {0, 1, 2, 3, 4};
    EXPECT_EQ(engine_collapse_array(identity, 2), (std::vector<std::int32_t>{0, 1, -1, -1, -1}));
    EXPECT_EQ(replay_collapse_map(identity, fan, 3),
              (std::vector<index_triangle>{{0, 1, 2}, {0, 2, -1}, {0, -1, -1}, {0, -1, 1}}));
    EXPECT_EQ(engine_collapse_array(std::vector<std::int32_t>{0, -3, 7}, 1),
              (std::vector<std::int32_t>{0, -1, -1}));
    EXPECT_EQ(replay_collapse_map(map, std::vector<index_triangle>{{0, 1, 9}}, 5),
              (std::vector<index_triangle>{{0, 1, -1}}));
}

TEST(CollapseReplay, RenderCountFollowsTheEngine) {
    EXPECT_EQ(engine_render_count(150, 1.0f, 0), 150);
    EXPECT_EQ(engine_render_count(150, 0.5f, 0), 75);
    EXPECT_EQ(engine_render_count(151, 0.5f, 0), 75); // truncated
    EXPECT_EQ(engine_render_count(150, 0.5f, 110), 110);
    EXPECT_EQ(engine_render_count(150, 0.0f, 0), 0);
    EXPECT_EQ(engine_render_count(150, 2.0f, 0), 150);
}
