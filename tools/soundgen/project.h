// The music project from the list of events: one line an event (see sound/events.txt for the
// format) becomes the patches that play it, under a fixed tree of buses.
#pragma once

#include <string>
#include <vector>

namespace Project {

struct Event {
  std::string name, kind;
  std::vector<std::string> clips;
  std::string bus, group;
  double tempo = 0;
  int bars = 0;
  int line = 0;
};

// The events of the list, ranges expanded; false with a message naming the line on error.
bool ReadEvents(const std::string& text, std::vector<Event>* events, std::string* error);

// The project document and the symbol table (each event's name with its identifier). Every
// clip an event names must exist in the clip folder with the length its tempo and bars ask
// for, and every clip of the folder must be used.
bool Build(const std::vector<Event>& events, const std::string& clipFolder, std::string* projectXml,
           std::string* symbolTable, std::string* error);

}  // namespace Project
