// The sound handler among the window manager's listeners: posted sound messages play through
// the sound bridge and stop there; every other message goes on to the next listener.
#include "game/shell/sound_handler.h"

#include <memory>
#include <string>
#include <vector>

#include "game/shell/sound_bridge.h"
#include "tests/game/shell/game_script_fixture.h"

namespace {

std::vector<std::string> gEngineEvents;
void RecordEvent(const char* name, ...) { gEngineEvents.push_back(name); }

// A listener behind the handler that records what reaches it.
class Recorder : public TMessageListener {
 public:
  bool OnMessage(TMessage* message) override {
    seen.push_back(std::to_string(message->GetType()) + ":" + message->GetName().c_str());
    return true;
  }
  std::vector<std::string> seen;
};

class SoundHandlerTest : public game_test::GameScriptFixture {
 protected:
  void SetUp() override {
    GameScriptFixture::SetUp();
    gEngineEvents.clear();
    SetSoundEngineCalls({nullptr, &RecordEvent, nullptr});
  }
  void TearDown() override {
    SetSoundEngineCalls({});
    GameScriptFixture::TearDown();
  }
  void Post(int32_t type, const char* name) { manager->PostMessage(new TMessage(type, name)); }
};

}  // namespace

TEST_F(SoundHandlerTest, PlaysPostedSoundMessagesAndPassesTheRestOn) {
  auto* handler = new TSoundHandler();  // joins the listeners itself
  Recorder* after = new Recorder();
  manager->AddMessageListener(after);

  Post(TSoundHandler::kSoundMessage, "Chocolate_ingredient_land");
  Post(1003, "missed");
  Post(TSoundHandler::kSoundMessage, "Chime");
  Idle();
  EXPECT_EQ(gEngineEvents, (std::vector<std::string>{"Chocolate_ingredient_land", "Chime"}));
  EXPECT_EQ(after->seen, std::vector<std::string>{"1003:missed"});

  // The owner's way out: removed first, deleted only when it was registered.
  ASSERT_TRUE(manager->RemoveMessageListener(handler));
  delete handler;
  EXPECT_FALSE(manager->RemoveMessageListener(handler));
  Post(TSoundHandler::kSoundMessage, "Late");
  Idle();
  EXPECT_EQ(gEngineEvents.size(), 2u);
  EXPECT_EQ(after->seen.back(), "1002:Late");
}
