// The program's entry: the arguments become one command line, as the system hands it over.
#include <cstring>
#include <string>

#include "core/base/win32/run_application.h"
#include "core/graphics/renderer_service.h"
#include "core/graphics/sound/sound_service.h"
#include "core/graphics/text/text_service.h"
#include "core/windows/window_service.h"
#include "game/shell/game_main.h"

namespace {

// An argument with a blank was quoted on the command line; a switch keeps its name outside the
// quotes ("-wd=" followed by the quoted folder).
std::string Quoted(const std::string& arg) {
  if (arg.find(' ') == std::string::npos) return arg;
  size_t equals = arg.find('=');
  if (equals == std::string::npos) return "\"" + arg + "\"";
  return arg.substr(0, equals + 1) + "\"" + arg.substr(equals + 1) + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; i++) commandLine += (i > 1 ? " " : "") + Quoted(argv[i]);
  StoreGameSettings();
  InstallRendererService();
  InstallWindowService();
  InstallSoundService();
  InstallTextService();
  RunApplication(nullptr, nullptr, commandLine.data(), SW_SHOWNORMAL, GameMain, false);
  return 0;
}
