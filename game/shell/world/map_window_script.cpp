// The map's script functions: InitiateTravel, PauseTravel, ResumeTravel.
#include <memory>

#include "core/base/log.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/window_host.h"
#include "game/shell/editors/curve.h"
#include "game/shell/world/map_window.h"
#include "game/shell/world/world_drawing.h"

void MapWindow::InitiateTravel(TLuaTable* journey) {
  if (GetTravelTask()) return;
  // Every journey leaves from the player's port: without its pin there is no start.
  if (!journey || !mCurrentPin) {
    LogError("InitiateTravel: %s", journey ? "the player's port has no pin on this map" : "no journey table");
    return;
  }
  TVec2 start = mCurrentPin->GetPosition();
  std::shared_ptr<TCurve> route;
  if (std::unique_ptr<TLuaTable> path{journey->GetTable("path")}) {
    route = CreateCurveFromTable(path.get());
  } else if (std::unique_ptr<TLuaTable> dest{journey->GetTable("dest")}) {
    TVec2 end((float)dest->GetNumber("mapx", 0), (float)dest->GetNumber("mapy", 0));
    route = CreateCurve(start, start, end, end);
  } else {
    LogError("InitiateTravel: the journey has neither a path nor a destination");
    return;
  }

  std::shared_ptr<TAnimatedSprite> traveller = TAnimatedSprite::Create(10);
  mBackground->AddChild(traveller);
  traveller->SetPosition(start);
  std::unique_ptr<TLuaTable> types(journey->GetTable("type"));
  auto* travel = new TravelTask(traveller, route, types.get());
  travel->SetDepthScale(mYFar, mYNear, mFarScale, mNearScale);
  travel->SetMapSerial(GetSerial());
  if (std::unique_ptr<TLuaTable> events{journey->GetTable("events")}) {
    for (int i = 1;; i++) {
      std::unique_ptr<TLuaTable> event(events->GetTableAt(i));
      if (!event) break;
      travel->AddEvent((float)event->GetNumber("time", 0), event->GetFunction("action"));
    }
  }
  mTravelTask = travel->GetHandle();
  mTravelPaused = false;
  if (TWindowHost* host = WorldHost())
    host->GetTaskList().AddTask(travel);
  else
    delete travel;
  if (TravelTask* running = GetTravelTask()) running->SetTimer(TravelTask::kTickMs, true, true, false);
}

void MapWindow::PauseTravel() {
  if (TravelTask* travel = GetTravelTask()) {
    travel->StopTimer();
    mTravelPaused = true;
  }
}

void MapWindow::ResumeTravel() {
  if (TravelTask* travel = GetTravelTask()) {
    travel->Start(TravelTask::kTickMs);
    mTravelPaused = false;
  }
}
