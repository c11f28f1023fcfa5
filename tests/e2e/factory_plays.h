// The factories' planned plays, shared by their own tests and the tour. Each begins at the
// menu's 50th frame, where it pins the program's clock (clockat 6044, the time a first start
// reaches there on a clock started at 5000 ms), so the game, seeded from the clock when its
// window is made, is the same however the run came to the menu; its times are for a clock
// started at 5000 ms (Hand::shift moves them for another start). Every shot is aimed where the
// seeded game puts its trays or empty cells at that moment: a change to a game's timing or
// generators moves them (re-plan from a run's log: with verbosedebug the factories log each
// shot and what lay behind it).
#pragma once

#include "tests/e2e/game_run.h"

// The menu's chocolate factory and its Start; then a tray filled in one colour, two trays in
// mixed colours and the third for the full house, an ingredient into the bin, and a tray
// filled again on its way to the machine, which takes it (at about 11.2 s). A busy moment is
// at 9400 ms.
inline void PlayChocolateOpening(Hand& hand) {
  hand.Frame(50, "clockat 6044");
  hand.Frame(50, "move 400 318").Frame(51, "button left down 400 318").Frame(52, "button left up 400 318");
  hand.Frame(80, "move 400 358").Frame(81, "button left down 400 358").Frame(82, "button left up 400 358");
  // Play begins at about 4.4 s; an ingredient waits at the gun every 240 ms from 5.6 s. The
  // bottom-left tray takes three red ones: a colour match.
  hand.Click(5700, 146, 331).Click(6000, 140, 331).Click(6300, 134, 331);
  // The top tray and the right one fill in mixed colours, the bottom-left one starts again, a
  // fourth cocoa goes into the bin along the top, and the bottom-left tray's last two make the
  // full house.
  hand.Click(6600, 312, 131).Click(6900, 325, 131).Click(7200, 528, 345).Click(7500, 518, 350);
  hand.Click(7800, 352, 131).Click(8100, 462, 358).Click(8400, 62, 262).Click(8700, 506, 53);
  hand.Click(9000, 55, 235).Click(9300, 55, 215);
  // The top tray filled again on its way to the machine, which takes it.
  hand.Click(10500, 490, 175).Click(10800, 503, 182).Click(11100, 516, 190);
}

// The menu's coffee factory and its Start (the first ingredient waits at the gun from 5.6 s);
// four cream shot into a line (the fourth between the others), three milk in a line, then near
// the end three beans in a line, which stock the hopper with the last of the recipe, and a last
// milk shot 100 ms before the time is up (64.4 s). Then Again, and three shots past the belt that
// shut the machine down (at about 72.1 s). The aimer is on the pointer at 5000 ms; a busy moment
// at 62300 ms.
inline void PlayCoffeeGames(Hand& hand) {
  hand.Frame(50, "clockat 6044");
  hand.Frame(50, "move 400 366").Frame(51, "button left down 400 366").Frame(52, "button left up 400 366");
  hand.Frame(80, "move 400 358").Frame(81, "button left down 400 358").Frame(82, "button left up 400 358");
  // The belt slides down a row every 3 s (faster after each group); each shot goes where the
  // cell it aims at has slid to. Cream into the fourth row, leaving the third place for the
  // fourth cream; milk into the row below; a bean out of the way.
  hand.Click(5600, 55, 255).Click(5900, 55, 310).Click(6200, 105, 265).Click(6500, 105, 320);
  hand.Click(6800, 55, 375).Click(7100, 205, 280).Click(7400, 155, 285).Click(7700, 155, 340);
  // Near the end: beans into three empty places of the eighth row, a cream out of the way.
  hand.Click(60400, 155, 453).Click(60700, 55, 159).Click(61000, 205, 465).Click(61300, 255, 471);
  // A milk shot far up the belt 100 ms before the time is up.
  hand.Click(64300, 105, 138);
  // Another game: three shots past the belt shut the machine down.
  hand.Click(67000, 316, 358).Click(71500, 700, 300).Click(71800, 700, 300).Click(72100, 700, 300);
}
