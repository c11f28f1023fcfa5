// A button's sounds in the program: loaded and played through the framework sound manager.
#include <algorithm>

#include "core/windows/window_host.h"
#include "core/windows/window_service.h"
#include "tests/core/graphics/sound/sound_fixture.h"

namespace {

TEST_F(SoundTest, ButtonSoundsPlayThroughTheFrameworkSoundManager) {
  Manager();
  Tone("sfx/click.ogg", 0.1);
  std::shared_ptr<TWindowSound> click = LoadFrameworkSound("sfx/click.ogg");
  ASSERT_NE(click, nullptr);
  click->Play();
  click->Play();  // each play is an instance of its own, let go at once
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 2);
  Play(2205);
  std::vector<uint8_t> heard = Played();
  EXPECT_NE(std::count(heard.begin(), heard.end(), 0), (long)heard.size());  // the tone was heard
  EXPECT_EQ(LoadFrameworkSound("sfx/missing.ogg"), nullptr);
}

}  // namespace
