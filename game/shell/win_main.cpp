// The program's entry: the arguments become one command line, as the system hands it over, and
// WinMain runs the game under the framework runner.
#include <string>

#include "core/base/win32/run_application.h"
#include "core/graphics/renderer_service.h"
#include "core/graphics/sound/sound_service.h"
#include "core/graphics/text/text_service.h"
#include "core/windows/window_service.h"
#include "game/shell/game_main.h"
#include "game/shell/run_game.h"

namespace {

// An argument with a blank was quoted on the command line; a switch keeps its name outside the
// quotes ("-wd=" followed by the quoted folder).
std::string Quoted(const std::string& arg) {
  if (arg.find(' ') == std::string::npos) return arg;
  size_t equals = arg.find('=');
  if (equals == std::string::npos) return "\"" + arg + "\"";
  return arg.substr(0, equals + 1) + "\"" + arg.substr(equals + 1) + "\"";
}

// The game: 0, or non-zero when its main script could not run or failed.
int WinMain(HINSTANCE instance, HINSTANCE previous, char* commandLine, int show) {
  StoreGameSettings();
  RunApplication(instance, previous, commandLine, show, GameMain, false);
  return GetGameExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; i++) commandLine += (i > 1 ? " " : "") + Quoted(argv[i]);
  InstallRendererService();
  InstallWindowService();
  InstallSoundService();
  InstallTextService();
  return WinMain(nullptr, nullptr, commandLine.data(), SW_SHOWNORMAL);
}
